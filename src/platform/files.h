#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// `failed`: never readable as a file (a folder, a dangling link). `unavailable`: a file that
// could not be read this time (no permission, an I/O error of a network drive).
enum class ReadStatus { ok, missing, failed, unavailable };

struct ReadResult {
    ReadStatus status = ReadStatus::missing;
    QByteArray bytes;
};

// The whole file, with `spare` bytes of capacity left after its end for a parser that reads
// past the data. Anything that is not a regular file fails at once, never waits. A file of
// the user's own that the user may not read is first made readable and writable for them.
ReadResult readWholeFile(const QString& path, qsizetype spare = 0);

// True when anything at all is at the path, a dangling link included.
bool pathExists(const QString& path);

// Creates the folder and its missing parents.
bool createDirectories(const QString& path);

// What tells one version of a file from another without reading it: the same identity means
// nobody has replaced or written the file since.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Nothing where the platform cannot tell, and for anything that is not a regular file.
std::optional<FileIdentity> fileIdentity(const QString& path);
// Which folder is at the path (device and inode): another one once a drive is mounted there.
// Where the platform cannot tell, every folder is the same.
std::optional<FileIdentity> folderIdentity(const QString& path);

// Where a new content for the file is written before it takes the file's place: beside it, named
// for the computer (`computer`, or this one's name when empty).
QString savingFile(const QString& path, const QString& computer = {});

// A new content for a file, written piece by piece beside it and put in its place by commit():
// flushed to disk, renamed over the target, then the folder flushed. Until commit() succeeds
// the target is untouched; a writer dropped without commit leaves no trace.
class DurableFileWriter {
public:
    explicit DurableFileWriter(const QString& path, const QString& computer = {});
    ~DurableFileWriter();
    DurableFileWriter(const DurableFileWriter&) = delete;
    DurableFileWriter& operator=(const DurableFileWriter&) = delete;

    bool open();
    // Also starts the disk write of what came before, so the final flush has little left.
    bool write(const char* data, qsizetype size);
    // Appends the first `length` bytes of another file, copied inside the kernel where it can.
    bool copyPrefix(const QString& source, qint64 length);
    bool commit();
    // The identity of the file that commit() put in place.
    std::optional<FileIdentity> committed() const;

private:
    struct Private;
    Private* d;
};

// Replaces the file's content atomically and durably: temporary file in the same folder,
// written and flushed to disk, renamed over the target, then the folder flushed. Afterwards a
// reader finds either the old content or the new, whatever happens on the way.
bool replaceFileDurably(const QString& path, const QByteArray& bytes);

// The file a symbolic link names, or the path itself when it is no link. A link to a file that
// is not there names where that file would be.
QString linkTarget(const QString& path);

// Renames without ever replacing an existing file.
bool renameNoReplace(const QString& from, const QString& to);

} // namespace platform
