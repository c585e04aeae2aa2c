#include "metadata/BasicExifOperator.h"

#include "metadata/ByteText.h"
#include "metadata/ExifOperator.h"
#include "metadata/FBEncryptorAES.h"
#include "metadata/TagSource.h"
#include "platform/Logger.h"

namespace {

constexpr qsizetype makerNoteBlockSize = 1024;

// The region's plaintext; a cipher error is logged as the basic edition always did.
std::optional<QByteArray> decryptRegion(const QByteArray& block, qsizetype start, qsizetype length,
                                        const QByteArray& key)
{
    unsigned long status = 0;
    auto plain = FBEncryptorAES::decryptData(block.mid(start, length), key, {}, &status);
    if (!plain)
        Logger::plain(QStringLiteral("[ERROR] failed to decrypt| CCCryptoStatus: %1").arg(status));
    return plain;
}

} // namespace

std::optional<ExifEntity> BasicExifOperator::getExifData(const QString& path, NoRecordReason* why) const
{
    std::optional<ExifEntity> record;
    NoRecordReason reason = NoRecordReason::None;
    if (auto bytes = ImageBytes::open(path)) {
        record = readImageFile(*bytes);
        if (!record)
            reason = NoRecordReason::NotBasicLayout;
    } else {
        reason = openFailureReason(path);
    }
    if (!record)
        Logger::plain(QStringLiteral("Exception is occured reading image file"));
    if (why)
        *why = reason;
    return record;
}

std::optional<ExifEntity> BasicExifOperator::readImageFile(ImageBytes& bytes)
{
    // The basic edition searches the whole file, not only its first MiB.
    const TagSource source{bytes, bytes.size(), true};
    const auto description = source.fixed(CameraTag::imageDescription, 28);
    const auto make = source.fixed(CameraTag::make, 12);
    const auto model = source.fixed(CameraTag::model, 20);
    const auto original = source.fixed(CameraTag::dateTimeOriginal, 20);
    const auto block = source.fixed(CameraTag::makerNote, makerNoteBlockSize);
    if (!description || !make || !model || !original || !block)
        return std::nullopt;

    ExifEntity record;
    record.imageDescription = ByteText::utf8(QByteArrayView(*description).first(27));
    record.maker = ByteText::utf8(QByteArrayView(*make).first(11));
    record.model = ByteText::utf8(QByteArrayView(*model).first(19));
    record.dateTimeOriginal = ByteText::utf8(QByteArrayView(*original).first(19));
    record.makerNote = ByteText::hexDigits(*block);
    record.productNumber = ByteText::hexDigits(QByteArrayView(*block).sliced(2, 8));
    record.encryptKey = ExifOperator::makeEncryptKey(*block, *original);

    const auto shooting = decryptRegion(*block, 96, 16, record.encryptKey);
    const auto image = decryptRegion(*block, 112, 16, record.encryptKey);
    const auto draw = decryptRegion(*block, 144, 16, record.encryptKey);
    const auto patient = decryptRegion(*block, 288, 160, record.encryptKey);
    if (!shooting || !image || !draw || !patient)
        return std::nullopt;
    record.shootingMode = ByteText::hex2(static_cast<std::uint8_t>(shooting->at(5)));
    record.additionalInformation = ByteText::hex2(static_cast<std::uint8_t>(image->at(4)));
    record.drawFlag = ByteText::hex2(static_cast<std::uint8_t>(draw->at(6)));
    record.patientID = ByteText::utf8UpToNul(QByteArrayView(*patient).sliced(12, 20));
    record.patientName = ByteText::utf8UpToNul(QByteArrayView(*patient).sliced(32, 120));
    return record;
}
