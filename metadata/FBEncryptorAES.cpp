#include "metadata/FBEncryptorAES.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

struct CipherContextFree
{
    void operator()(EVP_CIPHER_CTX* context) const noexcept { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

struct CipherFree
{
    void operator()(EVP_CIPHER* cipher) const noexcept { EVP_CIPHER_free(cipher); }
};

// Fetched once: the implicit fetch behind EVP_aes_128_ecb() costs more than decrypting a maker note.
const EVP_CIPHER* aes128Ecb()
{
    static const std::unique_ptr<EVP_CIPHER, CipherFree> cipher(
        EVP_CIPHER_fetch(nullptr, "AES-128-ECB", nullptr));
    return cipher.get();
}

std::optional<QByteArray> fail(unsigned long* status)
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (status)
        *status = code;
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> FBEncryptorAES::decryptData(const QByteArray& data, const QByteArray& key,
                                                      const QByteArray& /*iv*/, unsigned long* status)
{
    std::array<unsigned char, 16> keyBlock{};
    std::copy_n(key.constData(), std::min<qsizetype>(key.size(), 16), keyBlock.begin());

    const EVP_CIPHER* cipher = aes128Ecb();
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!cipher || !context || data.size() > INT32_MAX - 16)
        return fail(status);
    if (EVP_DecryptInit_ex(context.get(), cipher, nullptr, keyBlock.data(), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1)
        return fail(status);

    QByteArray plain(data.size() + 16, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(plain.data());
    int written = 0;
    int finalWritten = 0;
    if (EVP_DecryptUpdate(context.get(), out, &written,
                          reinterpret_cast<const unsigned char*>(data.constData()),
                          static_cast<int>(data.size())) != 1 ||
        EVP_DecryptFinal_ex(context.get(), out + written, &finalWritten) != 1)
        return fail(status);
    plain.resize(written + finalWritten);
    if (status)
        *status = 0;
    return plain;
}

void FBEncryptorAES::releaseThreadState()
{
    OPENSSL_thread_stop();
}
