#pragma once

#include <QString>
#include <QStringList>

#include <future>

// File operations of the transfer that must never lose a picture or leave half of one behind.
//
// A copy is written under a temporary name in the destination's folder, synced to disk, checked
// against the source's size and only then renamed to its final name, without replacing anything
// that appeared there meanwhile. A failed copy leaves neither the final name nor the temporary file.
//
// What a picture's safety does not hang on (folder entries of renames within one filesystem,
// removals, descriptions written beside the pictures) is made durable once per batch, by
// syncDeferred(), as "cp" followed by "sync" would. A source on another filesystem is removed only
// after its copy's folder entry is on disk.
namespace FileSystem {

struct Result
{
    bool ok = false;
    QString error; // what failed, for the user, when not ok

    explicit operator bool() const { return ok; }
    static Result success() { return {true, {}}; }
    static Result failure(QString text) { return {false, std::move(text)}; }
};

// Copies the regular file source to destination, keeping its modification time. Fails when
// destination exists.
Result copyFile(const QString& source, const QString& destination);

// A copy in two steps, so that one picture's data can travel to the disk while the next is being
// prepared: stage() writes the copy under a temporary name in the folder and starts writing it out;
// commit() waits until it is on disk, checks its size against the source's and gives it its final
// name in that folder, replacing nothing. The final name may be decided between the two. A staged
// copy that is never committed (dropped, discarded, or a failed commit) leaves no file behind.
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
    // destinationForMessages names the copy in a failure's text.
    static Result stage(const QString& source, const QString& folder, const QString& destinationForMessages,
                        StagedCopy& staged);
    // Gives the staged copy the name destination, which must lie in the staged folder. Fails when
    // destination exists; the temporary file is removed on every failure.
    Result commit(const QString& destination);
    // Removes the temporary file now.
    void discard();

    bool isStaged() const { return m_fd >= 0; }
    // The staged folder, cleaned.
    const QString& folder() const { return m_folder; }

private:
    int m_fd = -1;
    std::future<int> m_synced; // 0 or the sync's errno value
    QByteArray m_temporaryPath;
    QString m_folder;
    qint64 m_size = 0;
};

// Moves source to destination: a rename when both lie on one filesystem, otherwise a complete copy
// (as copyFile) followed by the removal of source. Fails when destination exists.
Result moveFile(const QString& source, const QString& destination);

// Removes the file; a file that is already gone is a failure too, as for any other remover.
Result removeFile(const QString& path);

// Creates the folder and any missing parents; true when it exists afterwards.
bool makePath(const QString& folder);

// The names in the folder that begin with prefix (all of them for an empty prefix), hidden ones
// included, without "." and "..", in the order the filesystem keeps them; empty when the folder
// cannot be read. Reads names only, no file details, and decodes only the names that match, so a
// folder of ten thousand pictures lists in well under a millisecond.
QStringList entryNames(const QString& folder, const QString& prefix = QString());

// Writes bytes as the whole new content of path (replacing it), under a temporary name first, so
// the path never holds part of them; its durability is deferred to syncDeferred().
Result writeFileReplacing(const QString& path, const QByteArray& bytes);

// Flushes every filesystem touched since the last call to disk.
void syncDeferred();

// Removes the temporary files that copies and writes left in folder when the power failed or the
// program died before they got their final names: the hidden ".NAME.<16 hex digits>.part" files
// whose status last changed more than olderThanSeconds ago (a copy still being written by another
// running import is younger). Gives how many it removed.
int removeAbandonedTemporaryFiles(const QString& folder, qint64 olderThanSeconds);

} // namespace FileSystem
