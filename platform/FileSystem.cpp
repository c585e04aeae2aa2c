#include "platform/FileSystem.h"

#include "platform/Logger.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Closes a descriptor on every path out of a function.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd); // a close error on a read-only or already-synced descriptor changes nothing
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Hands the open descriptor over to the caller.
    int release() { return std::exchange(m_fd, -1); }
    // Closes now and reports the error, for a descriptor that was written to.
    int closeChecked()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

FileSystem::Result failure(const QString& what, const QString& path, int error)
{
    return FileSystem::Result::failure(
        QStringLiteral("%1 \u201c%2\u201d: %3").arg(what, path, errnoText(error)), error);
}

// A file that is not a regular one is refused with this text rather than "Invalid argument".
FileSystem::Result notRegularFailure(const QString& what, const QString& path, int error)
{
    if (error == EINVAL || error == ELOOP)
        return FileSystem::Result::failure(
            QStringLiteral("%1 \u201c%2\u201d: not a regular file").arg(what, path), error);
    return failure(what, path, error);
}

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

// Makes a rename or a new name in the folder durable now.
void syncFolder(const QString& folder)
{
    FileDescriptor fd(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        ::fsync(fd.get());
}

// Folders whose filesystems syncDeferred() flushes. Transfers run on one thread: the import
// service's worker.
QSet<QString>& deferredFolders()
{
    static QSet<QString> folders;
    return folders;
}

void deferSync(const QString& folder)
{
    deferredFolders().insert(folder);
}

// Gives from the name `to` without replacing an existing file. 0 or an errno value.
int renameNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP)
        return error;
    // Filesystems without the flag (some network shares): a hard link fails on an existing name.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return 0;
    }
    const int linkError = errno;
    if (linkError == EEXIST)
        return EEXIST;
    // No hard links either (FAT): check, then rename. The window between the two is the best such
    // a filesystem allows.
    struct stat existing;
    if (::lstat(to.constData(), &existing) == 0)
        return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

bool writeAll(int fd, const char* data, size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

// Copies size bytes; in-kernel where the filesystems allow it. 0 or an errno value.
int copyContents(int in, int out, off_t size)
{
    off_t copied = 0;
    bool inKernel = true;
    while (inKernel && copied < size) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr,
                                            static_cast<size_t>(std::min<off_t>(size - copied, 1 << 30)), 0);
        if (n > 0) {
            copied += n;
        } else if (n == 0) {
            return EIO; // the source ended early: it shrank under us
        } else if (errno == EINTR) {
            continue;
        } else if (copied == 0 &&
                   (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
            inKernel = false;
        } else {
            return errno;
        }
    }
    if (copied == size)
        return 0;

    std::unique_ptr<char[]> buffer(new char[1 << 20]);
    while (copied < size) {
        const ssize_t n = ::read(in, buffer.get(), 1 << 20);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        if (!writeAll(out, buffer.get(), static_cast<size_t>(n)))
            return errno;
        copied += n;
    }
    return 0;
}

FileSystem::WriteFault writeFault = nullptr;

// Copies size bytes from the start of in through a buffer, hashing them as they are read. 0 or an
// errno value.
int copyHashing(int in, int out, off_t size, ContentHasher& hasher)
{
    constexpr size_t chunk = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[chunk]);
    off_t copied = 0;
    while (copied < size) {
        const ssize_t n =
            ::pread(in, buffer.get(), static_cast<size_t>(std::min<off_t>(size - copied, chunk)), copied);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO; // the source ended early: it shrank under us
        hasher.add(buffer.get(), static_cast<size_t>(n));
        if (writeFault)
            writeFault(buffer.get(), static_cast<size_t>(n));
        if (!writeAll(out, buffer.get(), static_cast<size_t>(n)))
            return errno;
        copied += n;
    }
    return 0;
}

// The hash of the whole file behind fd (at path), read from the disk rather than from the page
// cache. The file's cached pages are dropped first (they are clean once it is synced); the bytes are
// then read with O_DIRECT, straight from the device into this buffer, where the filesystem allows it,
// and through the page cache otherwise. Nothing on a read error or a length other than size.
std::optional<ContentHash> hashFromDisk(int fd, const QByteArray& path, off_t size)
{
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    constexpr size_t chunk = 1 << 20;
    constexpr size_t alignment = 4096;
    const auto release = [](char* memory) { std::free(memory); };
    std::unique_ptr<char, decltype(release)> buffer(static_cast<char*>(std::aligned_alloc(alignment, chunk)),
                                                    release);
    if (!buffer)
        return std::nullopt;
    FileDescriptor direct(::open(path.constData(), O_RDONLY | O_DIRECT | O_CLOEXEC));
    const int in = direct.valid() ? direct.get() : fd;
    ContentHasher hasher;
    off_t done = 0;
    for (;;) {
        ssize_t n = ::pread(in, buffer.get(), chunk, done);
        if (n < 0 && errno == EINVAL && in != fd) {
            // The filesystem took the flag at open but refuses direct reads: through the cache then.
            return hashFromDisk(fd, QByteArray(), size);
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        hasher.add(buffer.get(), static_cast<size_t>(n));
        done += n;
    }
    if (done != size)
        return std::nullopt;
    // Read once, any pages read through the cache are of no more use: they leave room for the card's.
    if (in == fd)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    return hasher.result();
}

// ".NAME.<16 hex digits>.part", as temporaryNameIn() makes them.
bool isTemporaryName(const char* name)
{
    const size_t length = std::strlen(name);
    constexpr size_t tail = 1 + 16 + 5; // ".<hex>.part"
    if (name[0] != '.' || length < 1 + 1 + tail || std::strcmp(name + length - 5, ".part") != 0 ||
        name[length - tail] != '.')
        return false;
    return std::all_of(name + length - tail + 1, name + length - 5,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// A hidden name of its own in folder; name (the final or the source's) only helps a person tell
// what a leftover from a power failure was.
QString temporaryNameIn(const QString& folder, const QString& name)
{
    return QStringLiteral("%1/.%2.%3.part")
        .arg(folder, name)
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// FileSystem::kUnfinished when the source's size or times differ from `before` (taken before the
// copy), or the copy does not end with requiredEnding; 0 when the copy is of a whole file.
// True when the size bytes behind fd end with ending.
bool tailIs(int fd, off_t size, const QByteArray& ending)
{
    const off_t length = ending.size();
    if (size < length)
        return false;
    QByteArray tail(ending.size(), '\0');
    return ::pread(fd, tail.data(), static_cast<size_t>(length), size - length) == length && tail == ending;
}

int unfinishedCopy(int in, const struct stat& before, int copy, const QByteArray& requiredEnding)
{
    struct stat after;
    if (::fstat(in, &after) != 0 || after.st_size != before.st_size ||
        !sameTime(after.st_mtim, before.st_mtim) || !sameTime(after.st_ctim, before.st_ctim))
        return EAGAIN;
    if (!requiredEnding.isEmpty() && !tailIs(copy, before.st_size, requiredEnding))
        return EAGAIN;
    return 0;
}

} // namespace

namespace FileSystem {

StagedCopy::StagedCopy(StagedCopy&& other) noexcept
{
    *this = std::move(other);
}

StagedCopy& StagedCopy::operator=(StagedCopy&& other) noexcept
{
    if (this != &other) {
        discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_temporaryPath = std::move(other.m_temporaryPath);
        m_folder = std::move(other.m_folder);
        m_size = other.m_size;
        m_source = std::move(other.m_source);
        m_checks = std::move(other.m_checks);
        m_destinationForMessages = std::move(other.m_destinationForMessages);
        m_hash = other.m_hash;
        m_settled = other.m_settled;
    }
    return *this;
}

StagedCopy::~StagedCopy()
{
    discard();
}

void StagedCopy::discard()
{
    if (m_fd < 0)
        return;
    // Unlinked while still locked, so no other import mistakes it for abandoned in between.
    ::unlink(m_temporaryPath.constData());
    ::close(m_fd);
    m_fd = -1;
}

Result StagedCopy::stage(const QString& source, const QString& folder, const QString& destinationForMessages,
                         StagedCopy& staged, const CopyChecks& checks)
{
    staged.discard();
    const QString copyText = QStringLiteral("Cannot copy");
    FileDescriptor in(openRegularFileForReading(source));
    if (!in.valid())
        return notRegularFailure(copyText, source, errno);
    struct stat sourceStat;
    if (::fstat(in.get(), &sourceStat) != 0)
        return failure(copyText, source, errno);

    const QByteArray temporaryPath = native(temporaryNameIn(folder, QFileInfo(source).fileName()));
    FileDescriptor out(
        ::open(temporaryPath.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, sourceStat.st_mode & 0666));
    if (!out.valid())
        return failure(copyText, destinationForMessages, errno);
    // Held until the copy has its name or is gone: the mark of a copy that is still being made.
    ::flock(out.get(), LOCK_EX | LOCK_NB);
    std::optional<ContentHasher> hasher;
    if (checks.verify)
        hasher.emplace();
    if (const int error = hasher ? copyHashing(in.get(), out.get(), sourceStat.st_size, *hasher)
                                 : copyContents(in.get(), out.get(), sourceStat.st_size)) {
        ::unlink(temporaryPath.constData());
        return failure(copyText, destinationForMessages, error);
    }
    // A writer that is still at work (a slow network copy, a scanner) shows in the source's size or
    // times, or in a file that does not end yet as a whole one of its kind.
    if (const int unfinished = unfinishedCopy(in.get(), sourceStat, out.get(), checks.requiredEnding)) {
        ::unlink(temporaryPath.constData());
        return failure(QStringLiteral("Not yet whole"), source, unfinished);
    }
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    ::futimens(out.get(), times); // the date is a courtesy; the picture matters
    // The disk starts writing this copy now, beside the copies before and after it, so that the
    // sync at commit() mostly finds the work done. Where the call is missing, commit() does it all.
    ::sync_file_range(out.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    staged.m_fd = out.release();
    staged.m_temporaryPath = temporaryPath;
    staged.m_folder = QDir::cleanPath(folder);
    staged.m_size = sourceStat.st_size;
    staged.m_source = source;
    staged.m_checks = checks;
    staged.m_destinationForMessages = destinationForMessages;
    staged.m_hash = hasher ? std::optional<ContentHash>(hasher->result()) : std::nullopt;
    staged.m_settled = false;
    return Result::success();
}

bool StagedCopy::readsBackEqual() const
{
    return m_hash && hashFromDisk(m_fd, m_temporaryPath, static_cast<off_t>(m_size)) == m_hash;
}

int StagedCopy::copyAgain()
{
    FileDescriptor in(openRegularFileForReading(m_source));
    if (!in.valid())
        return errno;
    struct stat sourceStat;
    if (::fstat(in.get(), &sourceStat) != 0)
        return errno;
    if (sourceStat.st_size != m_size)
        return FileSystem::kUnfinished;
    if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
        return errno;
    ContentHasher hasher;
    if (const int error = copyHashing(in.get(), m_fd, sourceStat.st_size, hasher))
        return error;
    if (const int unfinished = unfinishedCopy(in.get(), sourceStat, m_fd, m_checks.requiredEnding))
        return unfinished;
    // The source read otherwise this time: the card itself does not read back steadily.
    if (hasher.result() != m_hash)
        return FileSystem::kCopyDiffers;
    return ::fdatasync(m_fd) == 0 ? 0 : errno;
}

Result StagedCopy::settle()
{
    if (m_settled)
        return Result::success();
    const QString& name = m_destinationForMessages;
    const QString copyText = QStringLiteral("Cannot copy");
    if (m_fd < 0)
        return failure(copyText, name, EBADF);
    if (::fdatasync(m_fd) != 0)
        return failure(copyText, name, errno);
    struct stat written;
    if (::fstat(m_fd, &written) != 0)
        return failure(copyText, name, errno);
    if (written.st_size != m_size)
        return failure(copyText, name, EIO);
    if (m_hash && !readsBackEqual()) {
        Logger::info(QStringLiteral("the copy of %1 for %2 did not read back equal; it is written once more")
                         .arg(m_source, name));
        const int error = copyAgain();
        if (error && error != FileSystem::kCopyDiffers)
            return failure(copyText, name, error);
        if (error || !readsBackEqual())
            return Result::failure(
                QStringLiteral("The copy of \u201c%1\u201d in \u201c%2\u201d did not read back equal to the "
                               "original; the original is kept.")
                    .arg(QFileInfo(m_source).fileName(), QFileInfo(name).absolutePath()),
                FileSystem::kCopyDiffers);
    }
    m_settled = true;
    return Result::success();
}

Result StagedCopy::commit(const QString& destination)
{
    const QString copyText = QStringLiteral("Cannot copy");
    if (m_fd < 0)
        return failure(copyText, destination, EBADF);
    // The temporary file lies in the folder it was staged for; a rename to another folder could
    // cross into another filesystem.
    if (QDir::cleanPath(folderOf(destination)) != m_folder) {
        discard();
        return failure(copyText, destination, EXDEV);
    }
    if (Result settled = settle(); !settled) {
        discard();
        return settled;
    }
    if (const int error = renameNoReplace(m_temporaryPath, native(destination))) {
        if (error == EEXIST) // the copy stays staged, for the caller to name it anew
            return failure(copyText, destination, error);
        discard();
        return failure(copyText, destination, error);
    }
    const int fd = std::exchange(m_fd, -1);
    ::close(fd); // synced above: a close error changes nothing of what is on disk
    deferSync(m_folder);
    Result done = Result::success();
    done.hash = m_hash;
    return done;
}

Result copyFile(const QString& source, const QString& destination, const CopyChecks& checks)
{
    struct stat existing;
    if (::lstat(native(destination).constData(), &existing) == 0)
        return failure(QStringLiteral("Cannot copy"), destination, EEXIST);
    StagedCopy staged;
    if (Result result = StagedCopy::stage(source, folderOf(destination), destination, staged, checks);
        !result)
        return result;
    return staged.commit(destination);
}

Result moveFile(const QString& source, const QString& destination, const CopyChecks& checks)
{
    const QByteArray from = native(source);
    const QByteArray to = native(destination);
    struct stat sourceStat;
    if (::lstat(from.constData(), &sourceStat) != 0)
        return failure(QStringLiteral("Cannot move"), source, errno);
    const int error = renameNoReplace(from, to);
    if (error == 0) {
        // A rename within one journaled filesystem leaves the picture in one of its two places
        // whatever happens; the entries are flushed with the batch.
        deferSync(folderOf(destination));
        deferSync(folderOf(source));
        return Result::success();
    }
    if (error != EXDEV)
        return failure(QStringLiteral("Cannot move"), source, error);
    // Another filesystem: the copy is complete and on disk before the source goes.
    if (Result copied = copyFile(source, destination, checks); !copied)
        return copied;
    syncFolder(folderOf(destination));
    return removeFile(source);
}

Result linkOrCopyFile(const QString& source, const QString& destination, const CopyChecks& checks)
{
    const QByteArray from = native(source);
    struct stat sourceStat;
    if (::lstat(from.constData(), &sourceStat) != 0)
        return failure(QStringLiteral("Cannot move"), source, errno);
    if (!S_ISREG(sourceStat.st_mode))
        return notRegularFailure(QStringLiteral("Cannot move"), source, EINVAL);
    // The second name is the same file, so it is whole exactly when the source is.
    if (!checks.requiredEnding.isEmpty()) {
        FileDescriptor in(openRegularFileForReading(source));
        if (!in.valid())
            return notRegularFailure(QStringLiteral("Cannot move"), source, errno);
        if (const int unfinished = unfinishedCopy(in.get(), sourceStat, in.get(), checks.requiredEnding))
            return failure(QStringLiteral("Not yet whole"), source, unfinished);
    }
    if (::link(from.constData(), native(destination).constData()) == 0)
        return Result::success();
    const int error = errno;
    // Another filesystem, or one without hard links: the picture is copied instead.
    if (error == EXDEV || error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK)
        return copyFile(source, destination, checks);
    return failure(QStringLiteral("Cannot move"), source, error);
}

bool sameFilesystem(const QString& first, const QString& second)
{
    const auto deviceOf = [](QString path) -> std::optional<dev_t> {
        for (;;) {
            struct stat info;
            if (::stat(native(path).constData(), &info) == 0)
                return info.st_dev;
            const QString parent = QFileInfo(path).absolutePath();
            if (parent == path)
                return std::nullopt;
            path = parent;
        }
    };
    const auto a = deviceOf(QDir::cleanPath(QFileInfo(first).absoluteFilePath()));
    const auto b = deviceOf(QDir::cleanPath(QFileInfo(second).absoluteFilePath()));
    return a && b && *a == *b;
}

bool sameContents(const QString& first, const QString& second)
{
    FileDescriptor a(openRegularFileForReading(first));
    FileDescriptor b(openRegularFileForReading(second));
    struct stat sa, sb;
    if (!a.valid() || !b.valid() || ::fstat(a.get(), &sa) != 0 || ::fstat(b.get(), &sb) != 0 ||
        sa.st_size != sb.st_size)
        return false;
    constexpr size_t chunk = 1 << 16;
    std::unique_ptr<char[]> bufferA(new char[chunk]);
    std::unique_ptr<char[]> bufferB(new char[chunk]);
    for (;;) {
        const ssize_t n = ::read(a.get(), bufferA.get(), chunk);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        ssize_t got = 0;
        while (got < n) {
            const ssize_t m = ::read(b.get(), bufferB.get() + got, static_cast<size_t>(n - got));
            if (m <= 0)
                return false;
            got += m;
        }
        if (std::memcmp(bufferA.get(), bufferB.get(), static_cast<size_t>(n)) != 0)
            return false;
    }
}

bool endsWith(const QString& path, const QByteArray& ending)
{
    FileDescriptor file(openRegularFileForReading(path));
    struct stat status;
    return file.valid() && ::fstat(file.get(), &status) == 0 && tailIs(file.get(), status.st_size, ending);
}

bool SourceRemovals::Identity::operator==(const Identity& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           sameTime(modified, other.modified) && sameTime(changed, other.changed);
}

std::optional<SourceRemovals::Identity> SourceRemovals::identityOf(const QString& path)
{
    struct stat info;
    if (::lstat(native(path).constData(), &info) != 0)
        return std::nullopt;
    return Identity{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

void SourceRemovals::add(const QString& source, const QString& destinationFolder)
{
    m_sources.push_back(source);
    m_identities.push_back(identityOf(source));
    m_destinationFolders.push_back(QDir::cleanPath(destinationFolder));
}

Result SourceRemovals::flush()
{
    // The new names first: with them on disk, every picture is safe in its new place. One flush
    // per filesystem serves every folder on it (a flush per folder costs the disk a cache flush
    // each).
    QSet<QString> seen;
    QSet<dev_t> synced;
    for (const QString& folder : m_destinationFolders) {
        if (seen.contains(folder))
            continue;
        seen.insert(folder);
        FileDescriptor fd(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat info;
        int error = 0;
        if (!fd.valid() || ::fstat(fd.get(), &info) != 0)
            error = errno;
        else if (!synced.contains(info.st_dev) && ::syncfs(fd.get()) != 0)
            error = errno;
        if (error != 0) {
            m_sources.clear();
            m_identities.clear();
            m_destinationFolders.clear();
            return failure(QStringLiteral("Cannot write"), folder, error); // the sources stay
        }
        synced.insert(info.st_dev);
    }
    Result result = Result::success();
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        const QString& source = m_sources[i];
        const std::optional<Identity> now = identityOf(source);
        if (!now) {
            Logger::info(QStringLiteral("%1 is gone already; nothing to remove").arg(source));
            continue;
        }
        if (!m_identities[i] || !(*now == *m_identities[i])) {
            Logger::info(QStringLiteral("%1 changed since it was imported; it stays").arg(source));
            continue;
        }
        if (Result removed = removeFile(source); !removed && result.ok)
            result = removed;
    }
    m_sources.clear();
    m_identities.clear();
    m_destinationFolders.clear();
    return result;
}

Result removeFile(const QString& path)
{
    if (::unlink(native(path).constData()) != 0)
        return failure(QStringLiteral("Cannot remove"), path, errno);
    deferSync(folderOf(path));
    return Result::success();
}

bool makePath(const QString& folder)
{
    return QDir().mkpath(folder) && QFileInfo(folder).isDir();
}

QStringList entryNames(const QString& folder, const QString& prefix)
{
    QStringList names;
    DIR* directory = ::opendir(native(folder).constData());
    if (!directory)
        return names;
    // Compared as the filesystem's bytes, so the many names that do not match are never decoded.
    // The encoding keeps a character's bytes whole, so a name begins with the prefix's bytes exactly
    // when its text begins with the prefix.
    const QByteArray wanted = native(prefix);
    while (const dirent* entry = ::readdir(directory)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (!wanted.isEmpty() &&
            std::strncmp(name, wanted.constData(), static_cast<size_t>(wanted.size())) != 0)
            continue;
        names << QFile::decodeName(name);
    }
    ::closedir(directory);
    return names;
}

QList<QByteArray> entryNameBytes(const QString& folder, const QByteArray& suffix)
{
    QList<QByteArray> names;
    DIR* directory = ::opendir(native(folder).constData());
    if (!directory)
        return names;
    while (const dirent* entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != ".." && name.endsWith(suffix))
            names << name;
    }
    ::closedir(directory);
    return names;
}

Result removeEntry(const QString& folder, const QByteArray& nameBytes)
{
    const QByteArray path = native(folder) + '/' + nameBytes;
    if (nameBytes.isEmpty() || nameBytes.contains('/') || ::unlink(path.constData()) != 0)
        return failure(QStringLiteral("Cannot remove"), QFile::decodeName(path),
                       nameBytes.isEmpty() ? EINVAL : errno);
    return Result::success();
}

Result writeFileReplacing(const QString& path, const QByteArray& bytes)
{
    const QString writeText = QStringLiteral("Cannot write");
    const QString temporary = temporaryNameIn(folderOf(path), QFileInfo(path).fileName());
    const QByteArray temporaryPath = native(temporary);
    FileDescriptor out(::open(temporaryPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!out.valid())
        return failure(writeText, path, errno);
    ::flock(out.get(), LOCK_EX | LOCK_NB); // released by the close: see removeAbandonedTemporaryFiles()
    if (!writeAll(out.get(), bytes.constData(), static_cast<size_t>(bytes.size())) ||
        out.closeChecked() != 0 || ::rename(temporaryPath.constData(), native(path).constData()) != 0) {
        const int error = errno;
        ::unlink(temporaryPath.constData());
        return failure(writeText, path, error);
    }
    deferSync(folderOf(path));
    return Result::success();
}

int removeAbandonedTemporaryFiles(const QString& folder)
{
    const QByteArray path = native(folder);
    DIR* directory = ::opendir(path.constData());
    if (!directory)
        return 0;
    const int folderFd = ::dirfd(directory);
    int removed = 0;
    while (const dirent* entry = ::readdir(directory)) {
        if (!isTemporaryName(entry->d_name))
            continue;
        // A writer that is still at work holds the file locked; one that died released it.
        FileDescriptor fd(::openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info;
        if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
            ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (::unlinkat(folderFd, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(directory);
    if (removed > 0)
        deferSync(folder);
    return removed;
}

void setWriteFaultForTesting(WriteFault fault)
{
    writeFault = fault;
}

int openRegularFileForReading(const QString& path, bool followLinks)
{
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for ever.
    const int fd =
        ::open(native(path).constData(), O_RDONLY | (followLinks ? 0 : O_NOFOLLOW) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info;
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = EINVAL;
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    // Reads of a regular file never wait anyway; clearing the flag keeps every reader's usual semantics.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

void syncDeferred()
{
    // One flush per filesystem, like "sync", rather than one per file.
    QSet<dev_t> flushed;
    for (const QString& folder : std::as_const(deferredFolders())) {
        FileDescriptor fd(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat info;
        if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || flushed.contains(info.st_dev))
            continue;
        ::syncfs(fd.get());
        flushed.insert(info.st_dev);
    }
    deferredFolders().clear();
}

} // namespace FileSystem
