#pragma once

#include <QByteArray>

#include <optional>

// AES-128 in ECB mode without padding, the cipher the camera protects its maker note with.
// Only decryption is ever needed.
class FBEncryptorAES
{
public:
    // Decrypts data with a 16-byte key (a shorter key is padded with zero bytes, a longer one cut).
    // The initialisation vector plays no part in ECB and is accepted for the caller's convenience.
    // Nothing when the cipher reports an error, for example a length that is not a multiple of 16;
    // status then receives the cipher library's error code.
    static std::optional<QByteArray> decryptData(const QByteArray& data, const QByteArray& key,
                                                 const QByteArray& iv = {}, unsigned long* status = nullptr);
    // Frees what the cipher library keeps for the calling thread. A thread other than the main one
    // that decrypted calls it before it ends: the library's own clean-up at thread exit may come
    // after the program has already checked for leaks and ended.
    static void releaseThreadState();
};
