#pragma once

#include <QByteArray>

#include <openssl/evp.h>

#include <memory>

// AES-128-ECB decryption without padding, for checking what the camera-file writer encrypted.
namespace makernotecipher {

inline QByteArray decrypt(const QByteArray& cipher, const QByteArray& key)
{
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                                  &EVP_CIPHER_CTX_free);
    if (!context || key.size() != 16 || cipher.size() % 16 != 0)
        return {};
    const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.constData());
    if (EVP_DecryptInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, keyBytes, nullptr) != 1)
        return {};
    EVP_CIPHER_CTX_set_padding(context.get(), 0);
    QByteArray plain(cipher.size() + 16, '\0');
    int written = 0;
    if (EVP_DecryptUpdate(context.get(), reinterpret_cast<unsigned char*>(plain.data()), &written,
                          reinterpret_cast<const unsigned char*>(cipher.constData()),
                          int(cipher.size())) != 1)
        return {};
    int tail = 0;
    if (EVP_DecryptFinal_ex(context.get(), reinterpret_cast<unsigned char*>(plain.data()) + written, &tail) !=
        1)
        return {};
    plain.truncate(written + tail);
    return plain;
}

// The maker note with every block of [begin, end) decrypted and the rest left as stored.
inline QByteArray decryptRange(QByteArray note, int begin, int end, const QByteArray& key)
{
    const QByteArray plain = decrypt(note.mid(begin, end - begin), key);
    note.replace(begin, plain.size(), plain);
    return note;
}

} // namespace makernotecipher
