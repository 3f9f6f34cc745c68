#pragma once

#include "model/tockle.h"
#include "platform/clock.h"
#include "platform/file_viewer.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QFileSystemWatcher>
#include <QHash>
#include <QSet>
#include <QTimer>

#include <chrono>

#include <functional>
#include <memory>
#include <optional>

#include "platform/files.h"
#include "platform/mounts.h"

// Where the store keeps and exports its files, and the services it calls. Tests pass their
// own; system() is what the running program uses.
struct StoreEnvironment {
    std::optional<QString> applicationSupportDirectory;
    std::function<std::optional<QString>()> documentsDirectory;
    std::shared_ptr<const Clock> clock;
    std::shared_ptr<FileViewer> fileViewer;
    // How soon a list whose save failed is tried again (then ever less often).
    std::chrono::milliseconds saveRetryInterval{2000};
    // How often a data folder that is not there (yet) is looked for.
    std::chrono::milliseconds folderCheckInterval{5000};
    // How long a data file that does not decode may still be in the middle of being written in
    // place (a copy or a restore going on) before it counts as undecodable.
    std::chrono::milliseconds writerSettle{5000};
    // Where lists that still cannot be saved at exit are kept for the next start.
    std::optional<QString> rescueDirectory;
    // Where this computer remembers which conflict copies of the project list it took in.
    std::optional<QString> takenInCopiesFile;

    static StoreEnvironment system();
};

// The single owner of the record list and the project list. Every change announces itself
// first, then rewrites that list's whole file. Nothing is reported to callers.
class TockleStore : public QObject {
    Q_OBJECT

public:
    TockleStore();
    explicit TockleStore(StoreEnvironment environment, QObject* parent = nullptr);
    ~TockleStore() override;

    const QList<Tockle>& tockles() const { return tockles_; }

    // Each record's project name as an index into `names`, for sums that must not hash a name
    // per record. Made when first asked for, then extended as records are added.
    struct NameIndex {
        const QStringList& names;
        const QList<quint32>& ids;
    };
    NameIndex nameIndex() const;
    const QStringList& projects() const { return projects_; }
    const QString& fileURL() const { return fileURL_; }
    const QString& projectsFileURL() const { return projectsFileURL_; }

    bool containsProject(const QString& name) const;

    void addProject(const QString& name);
    void removeProject(const QString& name);
    void addTockle(const Tockle& tockle);
    void saveTockles();
    void saveProjects();
    void exportCSV();

    // Every change was meant to reach the disk when it was made; a list whose save failed is
    // saved again with the next save of either list, on a retry timer, and here (at exit).
    // Here, as with a change, a data folder removed meanwhile is made again. What still cannot
    // be saved (a disk still full) is kept in the rescue folder; the next start takes it in.
    void saveUnsavedLists();
    bool hasUnsavedChanges() const { return tocklesUnsaved || projectsUnsaved; }

    // Takes in what changed on disk behind the store's back (another computer's sync, a hand
    // edit, a second copy of the program, a sync tool's conflict copy): merged, never
    // overwritten. A file watcher calls it; each save does the same first.
    void refreshFromDisk();

Q_SIGNALS:
    void objectWillChange();
    void projectsChanged(const QStringList& projects);
    // A save failed and left changes only in memory, or the last of them reached the disk.
    void unsavedChangesChanged(bool unsaved);

private:
    void writeUnsavedLists();
    void remakeRemovedFolder();
    bool writeTockles();
    bool writeProjects();
    void scheduleRetry();
    // Whether the file may hold what memory does not: it is not the version last seen.
    bool tocklesFileChanged() const;
    bool projectsFileChanged() const;
    // Each returns whether memory now holds what the file does not.
    enum class Undecodable { setAside, waitWhileWritten };
    bool mergeTocklesFromDisk(Undecodable undecodable = Undecodable::setAside);
    bool mergeProjectsFromDisk(Undecodable undecodable = Undecodable::setAside);
    bool beingWritten(const std::optional<platform::FileIdentity>& file) const;
    bool waitForWriter(const std::optional<platform::FileIdentity>& file);
    void mergeConflictCopies(bool& tocklesBehind, bool& projectsBehind);
    void saveTakenInCopies();
    // A copy of a list kept apart from its file (a sync tool's conflict copy, a rescued list):
    // its records are taken in by id, its names merged against `base`, the list it was made from,
    // where that is known, and otherwise only added. Whether memory now holds more; nothing when
    // the copy cannot be read for now.
    std::optional<bool> takeInCopy(const QString& path, bool records, const QStringList& base = {});
    void takeInRescuedLists(bool& tocklesBehind, bool& projectsBehind);
    void rescueUnsavedLists();
    void watch();
    void forgetNameIndex();
    void announceProjects();

    // Writes a list's file through `fill`. A file that existed but did not load (`keepAside`)
    // is first moved aside, never written over. The identity of the file now in place, or
    // nothing when the save failed.
    std::optional<platform::FileIdentity> writeReplacing(
        const QString& path, bool& keepAside, const std::function<bool(platform::DurableFileWriter&)>& fill);

    QList<Tockle> tockles_;
    mutable QStringList indexNames;
    mutable QList<quint32> indexIds;
    mutable QHash<QString, quint32> indexIdOfName;
    QStringList projects_;
    QString fileURL_;
    QString projectsFileURL_;

    StoreEnvironment environment;
    // The version of each file this store last loaded or wrote (nothing: there was no file),
    // and the project list that version held.
    std::optional<platform::FileIdentity> seenTockles;
    std::optional<platform::FileIdentity> seenProjects;
    QStringList seenProjectList;
    QHash<QString, platform::FileIdentity> mergedConflictCopies;
    // The project list's conflict copies taken in by this or an earlier run, by modification
    // time and name; whether anything is known of earlier runs.
    QSet<QString> takenInCopies;
    bool takenInCopiesKnown = false;
    bool takenInCopiesUnsaved = false;
    bool holdProjectsNotice = false;
    bool projectsNoticeHeld = false;
    std::unique_ptr<QFileSystemWatcher> watcher;
    std::unique_ptr<platform::MountWatcher> mounts;
    QTimer watchSettle;
    QTimer folderCheck;
    QTimer writerWait;
    std::optional<platform::FileIdentity> watchedFolder;
    bool tocklesUnsaved = false;
    bool projectsUnsaved = false;
    QTimer retry;
    bool announcedUnsaved = false;
    std::chrono::milliseconds nextRetry{};
    bool keepTocklesFileAside = false;
    bool keepProjectsFileAside = false;
    // There, but not readable when last tried: not replaced until it is.
    bool tocklesFileUnavailable = false;
    bool projectsFileUnavailable = false;
    // Rescued lists were taken in and go once both lists are on disk.
    bool rescueTakenIn = false;
    // What the records file holds since this store last wrote it: which version of the file,
    // and how many records. While it is untouched, a save copies those bytes and encodes only
    // the records added since; the result is byte for byte what encoding everything gives.
    struct WrittenRecords;
    std::unique_ptr<WrittenRecords> written;
};
