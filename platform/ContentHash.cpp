#include "ContentHash.h"

#include <xxhash.h>

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

struct ContentHasher::State
{
    XXH3_state_t* xxh = XXH3_createState();
    ~State() { XXH3_freeState(xxh); }
};

QString ContentHash::toHex() const
{
    return QStringLiteral("%1%2").arg(high, 16, 16, QLatin1Char('0')).arg(low, 16, 16, QLatin1Char('0'));
}

std::optional<ContentHash> ContentHash::fromHex(const QString& text)
{
    if (text.size() != 32)
        return std::nullopt;
    bool highOk = false;
    bool lowOk = false;
    ContentHash hash{text.left(16).toULongLong(&highOk, 16), text.mid(16).toULongLong(&lowOk, 16)};
    if (!highOk || !lowOk)
        return std::nullopt;
    return hash;
}

ContentHasher::ContentHasher() : m_state(std::make_unique<State>())
{
    if (!m_state->xxh)
        throw std::bad_alloc();
    reset();
}

ContentHasher::~ContentHasher() = default;

void ContentHasher::add(const void* data, std::size_t size)
{
    XXH3_128bits_update(m_state->xxh, data, size);
}

ContentHash ContentHasher::result() const
{
    const XXH128_hash_t hash = XXH3_128bits_digest(m_state->xxh);
    return {hash.high64, hash.low64};
}

void ContentHasher::reset()
{
    XXH3_128bits_reset(m_state->xxh);
}

std::optional<ContentHash> ContentHasher::ofFile(const QString& path, qint64* bytesRead)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    ContentHasher hasher;
    constexpr std::size_t chunk = 1 << 17;
    std::unique_ptr<char[]> buffer(new char[chunk]);
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.get(), chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        hasher.add(buffer.get(), static_cast<std::size_t>(n));
        total += n;
    }
    ::close(fd);
    if (bytesRead)
        *bytesRead = total;
    return hasher.result();
}
