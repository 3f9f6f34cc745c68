#include "store/tockle_store.h"

#include "model/json_codec.h"
#include "model/project_name.h"
#include "platform/directories.h"
#include "platform/files.h"
#include "store/csv_export.h"
#include "store/merge.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QTimeZone>

#include <algorithm>
#include <utility>

namespace {

// Beside a rescued projects list: the projects file as the run that rescued it last saw it.
const QString rescuedBase = QStringLiteral("projects.base.json");

// Loads one list. A file that is there but does not decode leaves the list empty and marks
// the file to be kept aside; one that cannot be read for now, to be waited for.
template <typename List, typename Decode>
List load(const QString& path, bool& keepAside, bool& unavailable, std::optional<platform::FileIdentity>& seen,
          Decode decode)
{
    seen.reset();
    if (path.isEmpty())
        return {};
    const std::optional<platform::FileIdentity> identity = platform::fileIdentity(path);
    platform::ReadResult read = platform::readWholeFile(path, jsonReadPadding());
    unavailable = read.status == platform::ReadStatus::unavailable;
    if (read.status == platform::ReadStatus::missing || unavailable)
        return {};
    if (read.status == platform::ReadStatus::ok) {
        if (std::optional<List> decoded = decode(read.bytes)) {
            seen = identity;
            return std::move(*decoded);
        }
    }
    keepAside = true;
    return {};
}

// Sync tools keep both sides of a conflict: Syncthing as "tockles.sync-conflict-….json",
// Nextcloud and Dropbox as "tockles (… conflicted copy ….json", OneDrive's client for Linux as
// "tockles-<computer>-safeBackup-0001.json", before version 2.5.3 as "tockles-<computer>.json"
// or "tockles-<computer>-2.json", naming the computer whose side it is; likewise for
// projects.json. Without the mark, only this computer's copies are known for what they are.
bool isConflictCopy(const QString& fileName, QLatin1String list)
{
    const QLatin1String json(".json");
    if (!fileName.startsWith(list, Qt::CaseInsensitive) || !fileName.endsWith(json, Qt::CaseInsensitive))
        return false;
    if (fileName.contains(QLatin1String("conflict"), Qt::CaseInsensitive)
        || fileName.contains(QLatin1String("-safeBackup-"), Qt::CaseInsensitive))
        return true;
    static const QString thisComputer = QSysInfo::machineHostName();
    QStringView rest = QStringView(fileName).chopped(json.size()).sliced(list.size());
    if (thisComputer.isEmpty() || !rest.startsWith(QLatin1Char('-') + thisComputer, Qt::CaseInsensitive))
        return false;
    rest = rest.sliced(thisComputer.size() + 1);
    return rest.isEmpty()
           || (rest.size() > 1 && rest.front() == QLatin1Char('-')
               && std::all_of(rest.begin() + 1, rest.end(), [](QChar c) { return c.isDigit(); }));
}

QString asideName(const QString& path, const Clock& clock)
{
    const auto stamp = QDateTime::fromSecsSinceEpoch(
                           qint64(clock.now().secondsSince1970()), QTimeZone::utc())
                           .toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString base = path + QStringLiteral(".unreadable-") + stamp;
    QString candidate = base;
    for (int n = 2; platform::pathExists(candidate); ++n)
        candidate = base + QLatin1Char('-') + QString::number(n);
    return candidate;
}

} // namespace

struct TockleStore::WrittenRecords {
    platform::FileIdentity file;
    qsizetype count = 0;
};

StoreEnvironment StoreEnvironment::system()
{
    StoreEnvironment env;
    env.applicationSupportDirectory = platform::applicationSupportDirectory();
    env.documentsDirectory = &platform::documentsDirectory;
    env.clock = std::make_shared<SystemClock>();
    if (env.applicationSupportDirectory) {
        const QString folder = QDir(*env.applicationSupportDirectory).filePath(QStringLiteral("Tockles"));
        env.rescueDirectory = platform::rescueDirectory(folder);
        env.takenInCopiesFile = platform::stateFile(folder, QStringLiteral("conflict-copies"));
    }
    return env;
}

TockleStore::TockleStore() : TockleStore(StoreEnvironment::system()) {}

TockleStore::~TockleStore() = default;

TockleStore::TockleStore(StoreEnvironment env, QObject* parent)
    : QObject(parent), environment(std::move(env))
{
    if (!environment.clock)
        environment.clock = std::make_shared<SystemClock>();
    retry.setSingleShot(true);
    nextRetry = environment.saveRetryInterval;
    connect(&retry, &QTimer::timeout, this, &TockleStore::writeUnsavedLists);
    if (environment.applicationSupportDirectory) {
        const QString folder = QDir(*environment.applicationSupportDirectory)
                                   .filePath(QStringLiteral("Tockles"));
        if (!platform::pathExists(folder))
            platform::createDirectories(folder);
        fileURL_ = QDir(folder).filePath(QStringLiteral("tockles.json"));
        projectsFileURL_ = QDir(folder).filePath(QStringLiteral("projects.json"));
    }
    tockles_ = load<QList<Tockle>>(fileURL_, keepTocklesFileAside, tocklesFileUnavailable, seenTockles, decodeTockles);
    projects_ = load<QStringList>(projectsFileURL_, keepProjectsFileAside, projectsFileUnavailable, seenProjects,
                                  decodeProjects);
    seenProjectList = projects_;
    if (fileURL_.isEmpty())
        return;
    // One being written in place as the program starts is looked at again by the first refresh.
    if (QCoreApplication::instance()) {
        keepTocklesFileAside = keepTocklesFileAside && !beingWritten(platform::fileIdentity(fileURL_));
        keepProjectsFileAside = keepProjectsFileAside && !beingWritten(platform::fileIdentity(projectsFileURL_));
    }
    if (environment.takenInCopiesFile) {
        const platform::ReadResult read = platform::readWholeFile(*environment.takenInCopiesFile, jsonReadPadding());
        const std::optional<QStringList> known =
            read.status == platform::ReadStatus::ok ? decodeProjects(read.bytes) : std::nullopt;
        takenInCopiesKnown = known.has_value();
        if (known)
            takenInCopies = QSet<QString>(known->cbegin(), known->cend());
    }
    bool tocklesBehind = false;
    bool projectsBehind = false;
    mergeConflictCopies(tocklesBehind, projectsBehind);
    takeInRescuedLists(tocklesBehind, projectsBehind);
    tocklesUnsaved = tocklesBehind;
    projectsUnsaved = projectsBehind;
    writeUnsavedLists();
    if (!QCoreApplication::instance())
        return; // nothing to watch with: no event loop
    // A burst of changes (a sync delivering both files) is taken in once.
    watchSettle.setSingleShot(true);
    watchSettle.setInterval(200);
    connect(&watchSettle, &QTimer::timeout, this, &TockleStore::refreshFromDisk);
    folderCheck.setSingleShot(true);
    connect(&folderCheck, &QTimer::timeout, this, &TockleStore::refreshFromDisk);
    writerWait.setSingleShot(true);
    connect(&writerWait, &QTimer::timeout, this, &TockleStore::refreshFromDisk);
    // Setting the watch up costs milliseconds of waiting on the kernel: not during the load.
    QMetaObject::invokeMethod(this, [this] {
        watcher = std::make_unique<QFileSystemWatcher>();
        connect(watcher.get(), &QFileSystemWatcher::directoryChanged, &watchSettle, qOverload<>(&QTimer::start));
        connect(watcher.get(), &QFileSystemWatcher::fileChanged, &watchSettle, qOverload<>(&QTimer::start));
        mounts = std::make_unique<platform::MountWatcher>();
        connect(mounts.get(), &platform::MountWatcher::mountsChanged, &watchSettle, qOverload<>(&QTimer::start));
        refreshFromDisk(); // whatever arrived between the load and now
    }, Qt::QueuedConnection);
}

void TockleStore::watch()
{
    // A file replaced by a rename drops out of the watch; the folder sees every arrival.
    QStringList paths{QFileInfo(fileURL_).absolutePath()};
    // One that cannot be read (no permission) cannot be watched either.
    if (platform::pathExists(fileURL_) && !tocklesFileUnavailable)
        paths.append(fileURL_);
    if (platform::pathExists(projectsFileURL_) && !projectsFileUnavailable)
        paths.append(projectsFileURL_);
    if (!watcher)
        return;
    // A folder that is not there (a link into a drive not mounted yet, a sync folder not made
    // yet) cannot be watched, and a file that cannot be read changes nothing when it can again:
    // they are looked at now and then, and read once they can be.
    const std::optional<platform::FileIdentity> folder = platform::folderIdentity(paths.constFirst());
    if (!folder || tocklesFileUnavailable || projectsFileUnavailable)
        folderCheck.start(environment.folderCheckInterval);
    if (!folder)
        return;
    // A drive mounted on the folder (which the mount watcher tells) hides the folder watched.
    if (folder != watchedFolder) {
        watcher->removePath(paths.constFirst());
        watchedFolder = folder;
    }
    const QStringList watched = watcher->files() + watcher->directories();
    for (const QString& path : paths) {
        if (!watched.contains(path))
            watcher->addPath(path);
    }
}

void TockleStore::refreshFromDisk()
{
    if (fileURL_.isEmpty())
        return; // lists in memory only: no folder to look at
    bool tocklesBehind = false;
    if (tocklesFileChanged())
        tocklesBehind = mergeTocklesFromDisk(Undecodable::waitWhileWritten);
    // A file and the conflict copy it came with are one delivery: the selection rule hears the
    // outcome, not a name that the file drops and its copy brings back.
    holdProjectsNotice = true;
    bool projectsBehind = false;
    if (projectsFileChanged())
        projectsBehind = mergeProjectsFromDisk(Undecodable::waitWhileWritten);
    mergeConflictCopies(tocklesBehind, projectsBehind);
    holdProjectsNotice = false;
    if (std::exchange(projectsNoticeHeld, false))
        Q_EMIT projectsChanged(projects_);
    tocklesUnsaved = tocklesUnsaved || tocklesBehind;
    projectsUnsaved = projectsUnsaved || projectsBehind;
    writeUnsavedLists();
    watch();
}

bool TockleStore::tocklesFileChanged() const
{
    return !keepTocklesFileAside && (tocklesFileUnavailable || platform::fileIdentity(fileURL_) != seenTockles);
}

bool TockleStore::projectsFileChanged() const
{
    return !keepProjectsFileAside
           && (projectsFileUnavailable || platform::fileIdentity(projectsFileURL_) != seenProjects);
}

// A file written in place (a copy or a restore going on) does not decode until it is whole:
// while it has just changed, a refresh waits for it rather than set it aside. A save does not
// wait: what it holds must reach the disk.
bool TockleStore::beingWritten(const std::optional<platform::FileIdentity>& file) const
{
    if (!file)
        return false;
    const qint64 ageMs = QDateTime::currentMSecsSinceEpoch() - file->modifiedNs / 1000000;
    const qint64 settleMs = environment.writerSettle.count();
    return ageMs > -settleMs && ageMs < settleMs;
}

bool TockleStore::waitForWriter(const std::optional<platform::FileIdentity>& file)
{
    if (!beingWritten(file))
        return false;
    writerWait.start(environment.writerSettle);
    return true;
}

bool TockleStore::mergeTocklesFromDisk(Undecodable undecodable)
{
    const std::optional<platform::FileIdentity> identity = platform::fileIdentity(fileURL_);
    platform::ReadResult read = platform::readWholeFile(fileURL_, jsonReadPadding());
    tocklesFileUnavailable = read.status == platform::ReadStatus::unavailable;
    if (tocklesFileUnavailable)
        return false;
    if (read.status == platform::ReadStatus::missing) {
        seenTockles.reset();
        return !tockles_.isEmpty();
    }
    std::optional<QList<Tockle>> onDisk;
    if (read.status == platform::ReadStatus::ok)
        onDisk = decodeTockles(read.bytes);
    if (!onDisk) {
        if (undecodable == Undecodable::waitWhileWritten && waitForWriter(identity))
            return false;
        keepTocklesFileAside = true; // set aside at the next save, never merged
        return !tockles_.isEmpty(); // what memory holds is written back now
    }
    seenTockles = identity;
    QList<Tockle> merged = mergedTockles(*onDisk, tockles_);
    const bool behind = merged.size() > onDisk->size();
    if (!sameRecords(merged, tockles_)) {
        Q_EMIT objectWillChange();
        tockles_ = std::move(merged);
        forgetNameIndex(); // the file's records now come first
    }
    return behind;
}

bool TockleStore::mergeProjectsFromDisk(Undecodable undecodable)
{
    const std::optional<platform::FileIdentity> identity = platform::fileIdentity(projectsFileURL_);
    platform::ReadResult read = platform::readWholeFile(projectsFileURL_, jsonReadPadding());
    projectsFileUnavailable = read.status == platform::ReadStatus::unavailable;
    if (projectsFileUnavailable)
        return false;
    if (read.status == platform::ReadStatus::missing) {
        // A vanished file says nothing about which names to drop: ours stand, and are saved.
        seenProjects.reset();
        return true;
    }
    std::optional<QStringList> onDisk;
    if (read.status == platform::ReadStatus::ok)
        onDisk = decodeProjects(read.bytes);
    if (!onDisk) {
        if (undecodable == Undecodable::waitWhileWritten && waitForWriter(identity))
            return false;
        keepProjectsFileAside = true;
        return !projects_.isEmpty();
    }
    seenProjects = identity;
    const QStringList merged = mergedProjects(seenProjectList, projects_, *onDisk);
    seenProjectList = *onDisk;
    if (merged != projects_) {
        Q_EMIT objectWillChange();
        projects_ = merged;
        announceProjects();
    }
    return merged != *onDisk;
}

void TockleStore::mergeConflictCopies(bool& tocklesBehind, bool& projectsBehind)
{
    const QDir folder = QFileInfo(fileURL_).absoluteDir();
    if (!folder.isReadable())
        return; // not there yet: nothing to take in, and nothing to forget
    const std::optional<platform::FileIdentity> projectsFile = platform::fileIdentity(projectsFileURL_);
    QSet<QString> projectCopiesTakenIn;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        const bool records = isConflictCopy(name, QLatin1String("tockles"));
        if (!records && !isConflictCopy(name, QLatin1String("projects")))
            continue;
        const QString path = folder.filePath(name);
        const std::optional<platform::FileIdentity> identity = platform::fileIdentity(path);
        if (!identity)
            continue;
        const QString key = QString::number(identity->modifiedNs) + QLatin1Char(' ') + name;
        if (!records)
            projectCopiesTakenIn.insert(key);
        if (mergedConflictCopies.value(name) == *identity)
            continue;
        mergedConflictCopies.insert(name, *identity);
        // A name removed after its copy was taken in must not come back at the next start: a
        // projects copy is taken in once. Without word of earlier runs, one older than the
        // file is taken to be in it. Only then: a sync tool keeps the older side as the copy.
        // Records come back only once anyway: by id.
        if (!records
            && (takenInCopiesKnown ? takenInCopies.contains(key)
                                   : projectsFile && identity->modifiedNs <= projectsFile->modifiedNs))
            continue;
        const std::optional<bool> behind = takeInCopy(path, records);
        if (!behind) {
            mergedConflictCopies.remove(name); // read once it can be
            projectCopiesTakenIn.remove(key);
        }
        (records ? tocklesBehind : projectsBehind) |= behind.value_or(false);
    }
    // Kept to the copies still there; a copy that cannot be read for now is not in it.
    if (takenInCopiesKnown && projectCopiesTakenIn == takenInCopies)
        return;
    takenInCopies = projectCopiesTakenIn;
    takenInCopiesKnown = true;
    takenInCopiesUnsaved = true;
    saveTakenInCopies();
}

// A note that could not be written (this computer's disk full) is written again with the next
// refresh or save, and at exit: a stale one would bring back names removed since.
void TockleStore::saveTakenInCopies()
{
    const std::optional<QString>& file = environment.takenInCopiesFile;
    if (!takenInCopiesUnsaved || !file)
        return;
    QStringList list(takenInCopies.cbegin(), takenInCopies.cend());
    list.sort();
    QDir().mkpath(QFileInfo(*file).absolutePath());
    takenInCopiesUnsaved = !platform::replaceFileDurably(*file, encodeProjects(list));
}

std::optional<bool> TockleStore::takeInCopy(const QString& path, bool records, const QStringList& base)
{
    const platform::ReadResult read = platform::readWholeFile(path, jsonReadPadding());
    if (read.status == platform::ReadStatus::unavailable)
        return std::nullopt;
    if (read.status != platform::ReadStatus::ok)
        return false;
    if (records) {
        const std::optional<QList<Tockle>> copy = decodeTockles(read.bytes);
        QList<Tockle> merged = copy ? mergedTockles(tockles_, *copy) : tockles_;
        if (merged.size() == tockles_.size())
            return false;
        Q_EMIT objectWillChange();
        tockles_ = std::move(merged);
        return true;
    }
    const std::optional<QStringList> copy = decodeProjects(read.bytes);
    if (!copy)
        return false;
    const QStringList merged = mergedProjects(base, *copy, projects_);
    if (merged == projects_)
        return false;
    Q_EMIT objectWillChange();
    projects_ = merged;
    announceProjects();
    return true;
}

// Lists that the last run could not save before it ended.
void TockleStore::takeInRescuedLists(bool& tocklesBehind, bool& projectsBehind)
{
    if (!environment.rescueDirectory || !QFileInfo(*environment.rescueDirectory).isDir())
        return;
    rescueTakenIn = true;
    const QDir rescue(*environment.rescueDirectory);
    tocklesBehind |= takeInCopy(rescue.filePath(QStringLiteral("tockles.json")), true).value_or(false);
    // The projects file as that run last saw it tells which names it removed.
    QStringList base;
    const platform::ReadResult read = platform::readWholeFile(rescue.filePath(rescuedBase), jsonReadPadding());
    if (read.status == platform::ReadStatus::ok)
        base = decodeProjects(read.bytes).value_or(QStringList());
    projectsBehind |= takeInCopy(rescue.filePath(QStringLiteral("projects.json")), false, base).value_or(false);
}

void TockleStore::rescueUnsavedLists()
{
    if (!environment.rescueDirectory || !QDir().mkpath(*environment.rescueDirectory))
        return;
    const QDir rescue(*environment.rescueDirectory);
    if (tocklesUnsaved) {
        if (const std::optional<QByteArray> bytes = encodeTockles(tockles_))
            platform::replaceFileDurably(rescue.filePath(QStringLiteral("tockles.json")), *bytes);
    }
    if (projectsUnsaved) {
        platform::replaceFileDurably(rescue.filePath(rescuedBase), encodeProjects(seenProjectList));
        platform::replaceFileDurably(rescue.filePath(QStringLiteral("projects.json")), encodeProjects(projects_));
    }
}

void TockleStore::announceProjects()
{
    if (holdProjectsNotice)
        projectsNoticeHeld = true;
    else
        Q_EMIT projectsChanged(projects_);
}

TockleStore::NameIndex TockleStore::nameIndex() const
{
    indexIds.reserve(tockles_.size());
    // Loaded records share one string per name: the storage is compared before the text.
    const QChar* lastData = nullptr;
    quint32 lastId = 0;
    for (qsizetype i = indexIds.size(); i < tockles_.size(); ++i) {
        const QString& name = tockles_[i].projectName;
        if (name.constData() != lastData || lastData == nullptr) {
            auto it = indexIdOfName.constFind(name);
            if (it == indexIdOfName.cend()) {
                it = indexIdOfName.insert(name, quint32(indexNames.size()));
                indexNames.append(name);
            }
            lastData = name.constData();
            lastId = it.value();
        }
        indexIds.append(lastId);
    }
    return {indexNames, indexIds};
}

void TockleStore::forgetNameIndex()
{
    indexIds.clear();
    indexNames.clear();
    indexIdOfName.clear();
}

bool TockleStore::containsProject(const QString& name) const
{
    return std::any_of(projects_.cbegin(), projects_.cend(),
                       [&](const QString& p) { return namesEqual(p, name); });
}

void TockleStore::addProject(const QString& name)
{
    if (containsProject(name))
        return;
    Q_EMIT objectWillChange();
    projects_.append(name);
    saveProjects();
    Q_EMIT projectsChanged(projects_);
}

void TockleStore::removeProject(const QString& name)
{
    Q_EMIT objectWillChange();
    projects_.removeIf([&](const QString& p) { return namesEqual(p, name); });
    saveProjects();
    Q_EMIT projectsChanged(projects_);
}

void TockleStore::addTockle(const Tockle& tockle)
{
    Q_EMIT objectWillChange();
    tockles_.append(tockle);
    saveTockles();
}

void TockleStore::saveTockles()
{
    remakeRemovedFolder();
    tocklesUnsaved = !writeTockles();
    if (projectsUnsaved)
        projectsUnsaved = !writeProjects();
    scheduleRetry();
}

void TockleStore::saveProjects()
{
    remakeRemovedFolder();
    projectsUnsaved = !writeProjects();
    if (tocklesUnsaved)
        tocklesUnsaved = !writeTockles();
    scheduleRetry();
}

void TockleStore::saveUnsavedLists()
{
    // A file still being written by another program may lack what memory holds: at exit it is
    // merged if whole by now, and set aside if not.
    if (writerWait.isActive()) {
        tocklesUnsaved = tocklesUnsaved || (!tockles_.isEmpty() && tocklesFileChanged());
        projectsUnsaved = projectsUnsaved || (!projects_.isEmpty() && projectsFileChanged());
    }
    if (hasUnsavedChanges())
        remakeRemovedFolder();
    writeUnsavedLists();
    if (hasUnsavedChanges())
        rescueUnsavedLists();
}

void TockleStore::writeUnsavedLists()
{
    saveTakenInCopies();
    if (tocklesUnsaved)
        tocklesUnsaved = !writeTockles();
    if (projectsUnsaved)
        projectsUnsaved = !writeProjects();
    scheduleRetry();
}

// A data folder removed while the program runs (by hand, by a clean-up tool) is made again by
// a change or at exit, which would otherwise leave the change in memory only. Not by the retry
// or the watcher: a folder being moved into a sync tool comes back as a link. Only the folder
// itself: a missing parent is more likely a drive not mounted yet.
void TockleStore::remakeRemovedFolder()
{
    const QString folder = QFileInfo(fileURL_).absolutePath();
    if (fileURL_.isEmpty() || platform::pathExists(folder) || !QFileInfo(QFileInfo(folder).absolutePath()).isDir()
        || !platform::createDirectories(folder))
        return;
    // Both files went with the folder.
    tocklesUnsaved = tocklesUnsaved || !tockles_.isEmpty();
    projectsUnsaved = projectsUnsaved || !projects_.isEmpty();
    watch();
}

void TockleStore::scheduleRetry()
{
    if (hasUnsavedChanges() != announcedUnsaved) {
        announcedUnsaved = hasUnsavedChanges();
        Q_EMIT unsavedChangesChanged(announcedUnsaved);
    }
    if (!hasUnsavedChanges()) {
        retry.stop();
        nextRetry = environment.saveRetryInterval;
        if (rescueTakenIn) {
            rescueTakenIn = false;
            QDir(*environment.rescueDirectory).removeRecursively();
        }
    } else if (!retry.isActive()) {
        // Ever less often, up to once a minute: a disk that stays full is not hammered.
        retry.start(nextRetry);
        nextRetry = std::min(nextRetry * 2, std::chrono::milliseconds(60000));
    }
}

bool TockleStore::writeTockles()
{
    // What a file that cannot be read holds is not known: nothing may take its place yet.
    if (!fileURL_.isEmpty() && tocklesFileChanged())
        mergeTocklesFromDisk();
    if (tocklesFileUnavailable)
        return false;
    // A file loaded at start may come from another build, in another form; it is re-encoded
    // whole once, and from then on only the records added since are encoded.
    std::optional<platform::FileIdentity> now;
    if (written && written->count > 0 && written->count <= tockles_.size())
        now = platform::fileIdentity(fileURL_);
    const qsizetype from = now && *now == written->file ? written->count : 0;
    // Streamed into the new file as it is encoded; a record that cannot be encoded abandons
    // the new file and leaves the old one as it was.
    auto save = [&](qsizetype first) {
        return writeReplacing(fileURL_, keepTocklesFileAside, [&](platform::DurableFileWriter& writer) {
            auto sink = [&writer](const char* data, qsizetype size) { return writer.write(data, size); };
            if (first == 0)
                return encodeTockles(tockles_, sink);
            return writer.copyPrefix(fileURL_, now->size - 1) && encodeTocklesFrom(tockles_, first, sink);
        });
    };
    std::optional<platform::FileIdentity> saved = save(from);
    // The previous file may have become unreadable since; then everything is encoded anew.
    if (!saved && from > 0)
        saved = save(0);
    if (saved) {
        written = std::make_unique<WrittenRecords>(WrittenRecords{*saved, tockles_.size()});
        seenTockles = *saved;
    }
    return saved.has_value() || fileURL_.isEmpty();
}

bool TockleStore::writeProjects()
{
    if (projectsFileURL_.isEmpty())
        return true;
    if (projectsFileChanged())
        mergeProjectsFromDisk();
    if (projectsFileUnavailable)
        return false;
    const QByteArray bytes = encodeProjects(projects_);
    const auto saved = writeReplacing(projectsFileURL_, keepProjectsFileAside, [&bytes](platform::DurableFileWriter& writer) {
        return writer.write(bytes.constData(), bytes.size());
    });
    if (saved) {
        seenProjects = *saved;
        seenProjectList = projects_;
    }
    return saved.has_value();
}

std::optional<platform::FileIdentity> TockleStore::writeReplacing(
    const QString& path, bool& keepAside, const std::function<bool(platform::DurableFileWriter&)>& fill)
{
    if (path.isEmpty())
        return std::nullopt;
    platform::DurableFileWriter writer(path);
    if (!writer.open() || !fill(writer))
        return std::nullopt;
    if (keepAside) {
        // Only once the unreadable file is safely renamed may a save take its place. Behind a
        // link, the file it names is renamed, beside itself; the link then names the new file.
        const QString real = platform::linkTarget(path);
        if (platform::pathExists(real) && !platform::renameNoReplace(real, asideName(real, *environment.clock)))
            return std::nullopt;
        keepAside = false;
    }
    if (!writer.commit())
        return std::nullopt;
    return writer.committed().value_or(platform::FileIdentity{});
}

void TockleStore::exportCSV()
{
    const std::optional<QString> folder =
        environment.documentsDirectory ? environment.documentsDirectory() : std::nullopt;
    if (!folder) {
        if (environment.fileViewer)
            environment.fileViewer->reportUnwritten({});
        return;
    }
    // A Documents folder that the desktop names but nobody has made (a new or minimal account) is
    // made, as the desktop's own tools would; only that folder, never missing parents.
    if (!platform::pathExists(*folder) && QFileInfo(QFileInfo(*folder).absolutePath()).isDir())
        platform::createDirectories(*folder);
    const QString path = QDir(*folder).filePath(exportFileName(environment.clock->now()));
    // A file manager opened on a folder without the export would pass a failure off as done.
    const bool written = platform::replaceFileDurably(path, csvText(tockles_));
    if (!environment.fileViewer)
        return;
    if (written)
        environment.fileViewer->revealFile(path);
    else
        environment.fileViewer->reportUnwritten(path);
}
