#include "metadata/ImageBytes.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <unistd.h>

namespace {

// Enough for the camera's IFDs and a version-4 maker note in one read.
constexpr std::uint64_t initialHead = 16 * 1024;

} // namespace

std::optional<ImageBytes> ImageBytes::open(const QString& path)
{
    // A FIFO or a device named like a picture is no picture, and opening it must not wait.
    const int fd = FileSystem::openRegularFileForReading(path, true);
    if (fd < 0)
        return std::nullopt;
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    const qint64 size = file->size();
    if (size < 0)
        return std::nullopt;
    ImageBytes bytes;
    bytes.m_size = static_cast<std::uint64_t>(size);
    bytes.m_file = std::move(file);
    bytes.head(initialHead);
    return bytes;
}

ImageBytes ImageBytes::fromData(QByteArray data)
{
    ImageBytes bytes;
    bytes.m_size = static_cast<std::uint64_t>(data.size());
    bytes.m_head = std::move(data);
    return bytes;
}

std::span<const std::uint8_t> ImageBytes::head(std::uint64_t length)
{
    const std::uint64_t wanted = std::min(length, m_size);
    const auto loaded = static_cast<std::uint64_t>(m_head.size());
    if (m_file && wanted > loaded) {
        const auto missing = static_cast<qint64>(wanted - loaded);
        m_head.resize(static_cast<qsizetype>(wanted));
        qint64 got = -1;
        if (m_file->seek(static_cast<qint64>(loaded)))
            got = m_file->read(m_head.data() + loaded, missing);
        // A file that shrank under us (a card pulled out) keeps only what was really read.
        m_head.resize(static_cast<qsizetype>(loaded + static_cast<std::uint64_t>(std::max<qint64>(got, 0))));
    }
    const auto available = std::min<std::uint64_t>(wanted, static_cast<std::uint64_t>(m_head.size()));
    return {reinterpret_cast<const std::uint8_t*>(m_head.constData()), static_cast<std::size_t>(available)};
}

std::optional<QByteArray> ImageBytes::read(std::uint64_t offset, std::uint64_t length)
{
    if (offset > m_size || length > m_size - offset)
        return std::nullopt;
    const auto loaded = static_cast<std::uint64_t>(m_head.size());
    if (offset + length <= loaded)
        return m_head.mid(static_cast<qsizetype>(offset), static_cast<qsizetype>(length));
    if (!m_file || !m_file->seek(static_cast<qint64>(offset)))
        return std::nullopt;
    QByteArray value(static_cast<qsizetype>(length), Qt::Uninitialized);
    if (m_file->read(value.data(), static_cast<qint64>(length)) != static_cast<qint64>(length))
        return std::nullopt;
    return value;
}
