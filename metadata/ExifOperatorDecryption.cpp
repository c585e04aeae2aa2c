// The maker-note decryption operations of ExifOperator: the image key, region decryption, the
// text forms of decrypted bytes, the patient name order and the extra-information text.
#include "metadata/ByteText.h"
#include "metadata/ExifOperator.h"
#include "metadata/FBEncryptorAES.h"

#include <QStringList>

#include <algorithm>

QByteArray ExifOperator::makeEncryptKey(QByteArrayView makerNote, QByteArrayView dateTimeOriginal)
{
    QByteArray key(16, '\0');
    if (makerNote.size() < 10 || dateTimeOriginal.size() < 13)
        return key;
    std::copy_n(makerNote.data() + 2, 8, key.data());
    // "yyyy:MM:dd HH:..." gives the year's last two digits, the month, the day and the hour.
    static constexpr qsizetype pieces[] = {2, 5, 8, 11};
    for (qsizetype i = 0; i < 4; ++i)
        std::copy_n(dateTimeOriginal.data() + pieces[i], 2, key.data() + 8 + 2 * i);
    return key;
}

std::optional<QByteArray> ExifOperator::getDecryptBlockData(QByteArrayView bytes, qsizetype start,
                                                            qsizetype length, const QByteArray& key,
                                                            QByteArray* decryptData)
{
    if (length % 16 != 0 || start < 0 || length < 0 || start > bytes.size() || length > bytes.size() - start)
        return std::nullopt;
    auto plain = FBEncryptorAES::decryptData(bytes.sliced(start, length).toByteArray(), key);
    if (plain && decryptData)
        *decryptData = *plain;
    return plain;
}

std::optional<QString> ExifOperator::getDecryptData(QByteArrayView bytes, qsizetype start,
                                                    qsizetype blockLength, const QByteArray& key,
                                                    qsizetype dataLocation)
{
    const auto plain = getDecryptBlockData(bytes, start, blockLength, key);
    if (!plain || dataLocation < 0 || dataLocation >= plain->size())
        return std::nullopt;
    return ByteText::hex2(static_cast<std::uint8_t>(plain->at(dataLocation)));
}

std::optional<QString> ExifOperator::getDecryptData(QByteArrayView bytes, qsizetype start,
                                                    qsizetype blockLength, const QByteArray& key,
                                                    qsizetype subDataLocation, qsizetype subDataLength)
{
    const auto plain = getDecryptBlockData(bytes, start, blockLength, key);
    if (!plain || subDataLocation < 0 || subDataLength < 0 || subDataLocation > plain->size() ||
        subDataLength > plain->size() - subDataLocation)
        return std::nullopt;
    return ByteText::utf8UpToNul(QByteArrayView(*plain).sliced(subDataLocation, subDataLength));
}

std::optional<QString> ExifOperator::getDecryptDataString(QByteArrayView bytes, qsizetype start,
                                                          qsizetype blockLength, const QByteArray& key,
                                                          qsizetype dataLocation)
{
    const auto plain = getDecryptBlockData(bytes, start, blockLength, key);
    if (!plain || dataLocation < 0 || dataLocation >= plain->size())
        return std::nullopt;
    return ByteText::characters(QByteArrayView(*plain).sliced(dataLocation, 1));
}

bool ExifOperator::checkOnlyTerminator(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char byte) { return byte == '\0'; });
}

QString ExifOperator::formattingPatientName(const QString& name, const QString& nameOrder)
{
    if (name.isEmpty())
        return QString();
    if (nameOrder == QLatin1String("FF") || nameOrder == QLatin1String("ff"))
        return name;

    // Components by their stored position (1-based), in the order the code shows them.
    static const struct
    {
        const char* code;
        std::initializer_list<int> order;
    } orders[] = {
        {"00", {1, 3, 2}}, {"01", {2, 3, 1}}, {"02", {1, 2, 3}},
        {"03", {2, 1, 3}}, {"04", {1, 2}},    {"05", {2, 1}},
    };
    const QStringList components = name.split(QLatin1Char('^'));
    for (const auto& entry : orders) {
        if (nameOrder != QLatin1String(entry.code))
            continue;
        QStringList shown;
        for (const int position : entry.order) {
            if (position > components.size())
                return QString();
            shown << components.at(position - 1);
        }
        return shown.join(QLatin1Char(' '));
    }
    return QString();
}

QString ExifOperator::extraInformationText(QByteArrayView plaintext)
{
    const QByteArray terminated = plaintext.toByteArray() + QByteArray(2, '\0');
    if (checkOnlyTerminator(terminated))
        return QString();
    return QString::fromLatin1(terminated.toBase64());
}
