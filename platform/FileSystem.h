#pragma once

#include "platform/ContentHash.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <vector>

// File operations of the transfer that must never lose a picture or leave half of one behind.
//
// A copy is written under a temporary name in the destination's folder, synced to disk, checked
// against the source's size and only then renamed to its final name, without replacing anything
// that appeared there meanwhile. A failed copy leaves neither the final name nor the temporary file.
// Only regular files are copied: a device, a FIFO or a symbolic link is refused without waiting.
//
// What a picture's safety does not hang on (folder entries of renames within one filesystem,
// removals, descriptions written beside the pictures) is made durable once per batch, by
// syncDeferred(), as "cp" followed by "sync" would. A source on another filesystem is removed only
// after its copy's folder entry is on disk.
namespace FileSystem {

struct Result
{
    bool ok = false;
    QString error;       // what failed, for the user, when not ok
    int errorNumber = 0; // the errno value behind it, when there is one
    // The hash of the bytes copied, when the copy was verified: what the copy read back as.
    std::optional<ContentHash> hash;

    explicit operator bool() const { return ok; }
    static Result success() { return {true, {}, 0, {}}; }
    static Result failure(QString text, int errorNumber = 0)
    {
        return {false, std::move(text), errorNumber, {}};
    }
};

// The errno value of a copy refused because its source is not whole yet: it changed (size, times)
// while it was copied, or it does not end as a file of its kind must. Nothing is written then; the
// file is for a later try.
inline constexpr int kUnfinished = EAGAIN;
// The errno value of a verified copy that read back unequal to its source twice: the disk or the
// connection to it changes what is written. The copy is gone and the source untouched.
inline constexpr int kCopyDiffers = EBADMSG;

// What a copy checks beyond its size.
struct CopyChecks
{
    // The bytes the source must end with to be whole (a JPEG's end marker); a source that does not,
    // or that changes while it is copied, fails with kUnfinished.
    QByteArray requiredEnding;
    // Hash the source as it is read, put the copy on disk, drop it from the page cache and read it
    // back from the disk: only a copy whose hash is the source's gets its name. One that differs is
    // written once more from the source; a second difference fails with kCopyDiffers.
    bool verify = false;
};

// Copies the regular file source to destination, keeping its modification time. Fails when
// destination exists.
Result copyFile(const QString& source, const QString& destination, const CopyChecks& checks = {});

// A copy in two steps, so that many pictures' data travel to the disk together while the next ones
// are being copied: stage() writes the copy under a temporary name in the folder and starts the
// disk's write-back of it at once; commit() waits until it is on disk, checks its size against the
// source's and gives it its final name in that folder, replacing nothing. The final name may be
// decided between the two. A staged copy that is never committed (dropped, discarded, or a failed
// commit) leaves no file behind. While it is staged, its writer holds a lock on the temporary file,
// so that removeAbandonedTemporaryFiles() can tell it from a copy that nobody will finish.
class StagedCopy
{
public:
    StagedCopy() = default;
    StagedCopy(StagedCopy&& other) noexcept;
    StagedCopy& operator=(StagedCopy&& other) noexcept;
    StagedCopy(const StagedCopy&) = delete;
    StagedCopy& operator=(const StagedCopy&) = delete;
    ~StagedCopy();

    // Copies the regular file source into a new temporary file in folder (which must exist).
    // destinationForMessages names the copy in a failure's text. Fails with kUnfinished, leaving
    // nothing, when the source changed while it was copied or does not end as checks require.
    static Result stage(const QString& source, const QString& folder, const QString& destinationForMessages,
                        StagedCopy& staged, const CopyChecks& checks = {});
    // Waits until the copy is on disk and, when verified, reads it back (writing it once more from
    // the source after a first difference). Nothing is named or removed here, so it may run on
    // another thread than the rest, while nothing else touches the object. A failure is final:
    // commit() then reports it and removes the copy.
    Result settle();
    // Gives the staged copy the name destination, which must lie in the staged folder, once it is
    // settled. Fails when destination exists, and the copy then stays staged for another name; the
    // temporary file is removed on every other failure.
    Result commit(const QString& destination);
    // Removes the temporary file now.
    void discard();

    bool isStaged() const { return m_fd >= 0; }
    // The staged folder, cleaned.
    const QString& folder() const { return m_folder; }

private:
    // Reads the synced copy back from the disk; true when it hashes as m_hash.
    bool readsBackEqual() const;
    // Writes the copy once more from the source, for a copy that read back unequal. 0 or an errno.
    int copyAgain();

    int m_fd = -1;
    QByteArray m_temporaryPath;
    QString m_folder;
    qint64 m_size = 0;
    QString m_source;
    QString m_destinationForMessages;
    CopyChecks m_checks;
    std::optional<ContentHash> m_hash; // of the source's bytes, for a verified copy
    bool m_settled = false;            // on disk, and read back equal when verified
};

// Moves source to destination: a rename when both lie on one filesystem, otherwise a complete copy
// (as copyFile, with checks) followed by the removal of source. Fails when destination exists.
Result moveFile(const QString& source, const QString& destination, const CopyChecks& checks = {});

// Gives the regular file source the second name destination (a hard link), so that it can leave its
// first place only after it is safe in the second. Where the two lie on different filesystems, or
// the destination's filesystem has no hard links (FAT, exFAT, some network shares), the file is
// copied as copyFile does, with checks; a second name needs no reading back, as it is the same file.
// Fails when destination exists, replacing nothing.
Result linkOrCopyFile(const QString& source, const QString& destination, const CopyChecks& checks = {});

// True when both paths (or, for paths that do not exist yet, their nearest existing folders) lie on
// one filesystem.
bool sameFilesystem(const QString& first, const QString& second);

// True when the two files hold the same bytes.
bool sameContents(const QString& first, const QString& second);

// True when the regular file at path ends with the bytes ending (a whole JPEG ends with its end
// marker; one cut off, or written ahead of its data, does not).
bool endsWith(const QString& path, const QByteArray& ending);

// Sources to remove once their pictures are safe elsewhere: flush() first puts every destination
// folder's new entries on disk, then removes the sources. A crash in between leaves a picture in
// both places, never in neither. Sources not yet flushed when the object goes stay where they are.
// A source is removed only if it is still the file that was added (device, inode, size and times):
// one written to since stays, and so does one another program replaced; one already gone is no
// failure. Both are logged.
class SourceRemovals
{
public:
    void add(const QString& source, const QString& destinationFolder);
    bool isEmpty() const { return m_sources.empty(); }
    std::size_t size() const { return m_sources.size(); }
    // Removes every source added; the first failure is reported after the others were tried.
    Result flush();

private:
    struct Identity
    {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        bool operator==(const Identity& other) const;
    };
    static std::optional<Identity> identityOf(const QString& path);

    std::vector<QString> m_sources;
    std::vector<std::optional<Identity>> m_identities;
    std::vector<QString> m_destinationFolders;
};

// Removes the file; a file that is already gone is a failure too, as for any other remover.
Result removeFile(const QString& path);

// Creates the folder and any missing parents; true when it exists afterwards.
bool makePath(const QString& folder);

// The names in the folder that begin with prefix (all of them for an empty prefix), hidden ones
// included, without "." and "..", in the order the filesystem keeps them; empty when the folder
// cannot be read. Reads names only, no file details, and decodes only the names that match, so a
// folder of ten thousand pictures lists in well under a millisecond.
QStringList entryNames(const QString& folder, const QString& prefix = QString());

// The names in the folder that end with suffix, as the filesystem's bytes: a name that is not valid
// in the system's encoding keeps its bytes, so that it can be removed by the name it really has.
QList<QByteArray> entryNameBytes(const QString& folder, const QByteArray& suffix);
// Removes the entry of the folder named by those bytes.
Result removeEntry(const QString& folder, const QByteArray& nameBytes);

// Writes bytes as the whole new content of path (replacing it), under a temporary name first, so
// the path never holds part of them; its durability is deferred to syncDeferred().
Result writeFileReplacing(const QString& path, const QByteArray& bytes);

// Flushes every filesystem touched since the last call to disk.
void syncDeferred();

// Removes the temporary files that copies and writes left in folder when the power failed or the
// program died before they got their final names: the hidden ".NAME.<16 hex digits>.part" regular
// files that no running writer holds locked. Gives how many it removed.
int removeAbandonedTemporaryFiles(const QString& folder);

// Opens a file for reading only when it is a regular file, without waiting on a FIFO or device, and
// without following a symbolic link unless followLinks is set; -1 with errno set otherwise (EINVAL
// for what is not a regular file, ELOOP for a link). The caller owns the descriptor.
int openRegularFileForReading(const QString& path, bool followLinks = false);

// For tests: a fault applied to every block a verified copy writes, after it was hashed, as a disk
// or a connection that changes data would. Null (the default) for none.
using WriteFault = void (*)(char* data, std::size_t size);
void setWriteFaultForTesting(WriteFault fault);

} // namespace FileSystem
