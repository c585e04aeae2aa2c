#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <memory>
#include <optional>

// The 128-bit XXH3 hash of a file's bytes: what a copy must read back as, and what the import history
// keeps of every picture so that the store can be checked later.
struct ContentHash
{
    quint64 high = 0;
    quint64 low = 0;

    bool operator==(const ContentHash& other) const = default;
    // 32 lowercase hexadecimal digits, the high half first (XXH3's canonical order).
    QString toHex() const;
    static std::optional<ContentHash> fromHex(const QString& text);
};

// Hashes bytes given in pieces, in order.
class ContentHasher
{
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher&) = delete;
    ContentHasher& operator=(const ContentHasher&) = delete;

    void add(const void* data, std::size_t size);
    ContentHash result() const;
    // Starts again, as a new hasher.
    void reset();

    // The hash of the regular file at path, read from its start to its end; nothing when it cannot
    // be read. bytesRead, when given, is what was hashed.
    static std::optional<ContentHash> ofFile(const QString& path, qint64* bytesRead = nullptr);

private:
    struct State;
    std::unique_ptr<State> m_state;
};
