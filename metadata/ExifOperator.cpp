#include "metadata/ExifOperator.h"

#include "metadata/ByteText.h"
#include "metadata/CameraFileNames.h"
#include "metadata/FBEncryptorAES.h"
#include "metadata/TagSource.h"

#include <algorithm>
#include <utility>

namespace {

constexpr qsizetype makerNoteBlockSize = 1024;
constexpr qsizetype extendedMakerNoteSize = 2048;  // versions 2.1 to 3.x, big-endian
constexpr qsizetype extendedMakerNoteSize2 = 3072; // version 4 and above, little-endian

QByteArrayView slice(const QByteArray& bytes, qsizetype offset, qsizetype length)
{
    return QByteArrayView(bytes).sliced(offset, length);
}

std::uint8_t byteAt(const QByteArray& bytes, qsizetype offset)
{
    return static_cast<std::uint8_t>(bytes.at(offset));
}

int versionNumber(const std::optional<QString>& text)
{
    return text ? text->toInt() : 0;
}

bool isEmpty(const std::optional<QString>& text)
{
    return !text || text->isEmpty();
}

// For every generation from 4 on, the extended entity takes the record's patient where it has none.
void fillPatientFromRecord(ExifEntity& record)
{
    auto& entity = *record.extendedMakerNoteEntity;
    if (isEmpty(entity.patientID))
        entity.patientID = record.patientID;
    if (isEmpty(entity.patientName))
        entity.patientName = record.patientName;
}

} // namespace

std::optional<ExifEntity> ExifOperator::getExifData(const QString& path, NoRecordReason* why) const
{
    auto bytes = ImageBytes::open(path);
    if (!bytes) {
        if (why)
            *why = openFailureReason(path);
        return std::nullopt;
    }
    return getExifData(*bytes, path, why);
}

std::optional<ExifEntity> ExifOperator::getExifData(ImageBytes& bytes, const QString& path,
                                                    NoRecordReason* why)
{
    NoRecordReason ignored = NoRecordReason::None;
    NoRecordReason& reason = why ? *why : ignored;
    // Every return below without a record names the test that failed.
    const auto refuse = [&reason](NoRecordReason failed) -> std::optional<ExifEntity> {
        reason = failed;
        return std::nullopt;
    };
    const auto readOrDamaged = [&reason](std::optional<ExifEntity> record) {
        reason = record ? NoRecordReason::None : NoRecordReason::Damaged;
        return record;
    };

    if (bytes.size() < tiffHeaderOffset + 2)
        return refuse(NoRecordReason::NotCameraPicture);
    const auto version = getUserTagVersion(bytes);
    if (!version)
        return refuse(NoRecordReason::NoMakerNote);
    if (!version->majorUserTagVersion)
        return refuse(NoRecordReason::NotCameraPicture);
    const int major = versionNumber(version->majorUserTagVersion);
    const int minor = versionNumber(version->minorUserTagVersion);
    const bool plainEncryption = version->encryptionType == QLatin1String("00");

    if (major < 2 || (major == 2 && minor == 0))
        return plainEncryption ? readOrDamaged(readImageFile(bytes))
                               : refuse(NoRecordReason::EncryptionRefused);

    if (major < 4) {
        // Versions 2.1 to 3.x are read whatever their encryption type says.
        auto record = readOrDamaged(readImageFileExtended(bytes));
        if (record && isEmpty(record->extendedMakerNoteEntity->patientID)) {
            record->extendedMakerNoteEntity->patientID = record->patientID;
            record->extendedMakerNoteEntity->patientName = record->patientName;
        }
        return record;
    }

    if (!plainEncryption)
        return refuse(NoRecordReason::EncryptionRefused);
    // A movie index file is read only while its movie exists.
    if (!CameraFileNames::isStill(path) && !CameraFileNames::isMovieIndex(path))
        return refuse(NoRecordReason::NotStillOrMovieIndex);
    if (!CameraFileNames::isStill(path) && !CameraFileNames::companionMovie(path))
        return refuse(NoRecordReason::MovieMissing);
    auto record = readOrDamaged(readImageFileExtended2(bytes));
    if (record)
        fillPatientFromRecord(*record);
    return record;
}

std::optional<ExifEntity> ExifOperator::getUserTagVersion(ImageBytes& bytes)
{
    ExifEntity version;
    const auto head = bytes.head(tiffHeaderOffset + 2);
    if (head.size() < tiffHeaderOffset + 2)
        return version;
    const QByteArrayView byteOrder(head.subspan(tiffHeaderOffset, 2));
    bool bigEndian = false;
    if (byteOrder == "MM")
        bigEndian = true;
    else if (byteOrder != "II")
        return version;

    const TagSource source{bytes, std::min(bytes.size(), searchWindowLimit), bigEndian};
    const auto block = source.fixed(CameraTag::makerNote, makerNoteBlockSize);
    if (!block)
        return std::nullopt;
    version.majorUserTagVersion = ByteText::decimal(byteAt(*block, 0));
    version.minorUserTagVersion = ByteText::decimal(byteAt(*block, 1));
    version.encryptionType = QStringLiteral("%1").arg(byteAt(*block, 10), 2, 10, QLatin1Char('0'));
    return version;
}

std::optional<ExifOperator::BaseRead> ExifOperator::readBase(ImageBytes& bytes, bool bigEndian)
{
    const TagSource source{bytes, std::min(bytes.size(), searchWindowLimit), bigEndian};
    const auto dateTime = source.counted(CameraTag::dateTime);
    const auto software = source.counted(CameraTag::software);
    const auto description = source.fixed(CameraTag::imageDescription, 28);
    const auto make = source.fixed(CameraTag::make, 12);
    const auto model = source.fixed(CameraTag::model, 20);
    const auto original = source.fixed(CameraTag::dateTimeOriginal, 20);
    // The 1024-byte block is the start of the longer second read of the same value, so one read
    // serves both: whenever the longer read fits in the file, so does the block.
    const auto makerNote =
        source.fixed(CameraTag::makerNote,
                     static_cast<std::uint64_t>(bigEndian ? extendedMakerNoteSize : extendedMakerNoteSize2));
    if (!dateTime || !software || !description || !make || !model || !original || !makerNote)
        return std::nullopt;

    BaseRead base;
    ExifEntity& record = base.record;
    record.fileDateTime = ByteText::utf8WithoutNul(*dateTime);
    record.software = ByteText::utf8WithoutNul(*software);
    record.imageDescription = ByteText::utf8(slice(*description, 0, 27));
    record.maker = ByteText::utf8(slice(*make, 0, 11));
    record.model = ByteText::utf8(slice(*model, 0, 19));
    record.dateTimeOriginal = ByteText::utf8(slice(*original, 0, 19));

    const QByteArrayView block = slice(*makerNote, 0, makerNoteBlockSize);
    record.makerNote = ByteText::hexDigits(block);
    record.productNumber = ByteText::hexDigits(block.sliced(2, 8));
    record.productNumberString = ByteText::characters(block.sliced(2, 8));
    if (!bigEndian) {
        record.owner = ByteText::characters(block.sliced(11, 20));
        record.identifier = ByteText::characters(block.sliced(31, 1));
        record.timeZone = ByteText::characters(block.sliced(32, 4));
        record.summerTime = ByteText::hex2(static_cast<std::uint8_t>(block[36]));
    }
    record.encryptKey = makeEncryptKey(block, *original);

    // ECB decrypts every 16-byte block by itself, so one pass over the whole maker note gives the
    // plaintext of every region the fields come from.
    auto plaintext = FBEncryptorAES::decryptData(*makerNote, record.encryptKey);
    if (!plaintext)
        return std::nullopt;
    base.plaintext = std::move(*plaintext);
    const QByteArray& plain = base.plaintext;
    record.shootingMode = ByteText::hex2(byteAt(plain, 101));
    record.additionalInformation = ByteText::hex2(byteAt(plain, 116));
    record.drawFlag = ByteText::hex2(byteAt(plain, 150));
    // Below version 4 the patient block is region 288-447; from version 4 on it is 2576-2735.
    const qsizetype patientBlock = bigEndian ? 300 : 2576;
    record.patientID = ByteText::utf8UpToNul(slice(plain, patientBlock, 20));
    const QByteArrayView nameBytes = slice(plain, patientBlock + 20, 120);
    record.patientName = ByteText::utf8UpToNul(nameBytes);
    record.patientNameUndecodable = !record.patientName && !nameBytes.isEmpty() && nameBytes.at(0) != '\0';

    record.extendedMakerNoteData = *makerNote;
    record.extendedMakerNote = ByteText::hexDigits(*makerNote);
    return base;
}

std::optional<ExifEntity> ExifOperator::readImageFile(ImageBytes& bytes)
{
    auto base = readBase(bytes, true);
    if (!base)
        return std::nullopt;
    return std::move(base->record);
}

std::optional<ExifEntity> ExifOperator::readImageFile2(ImageBytes& bytes)
{
    auto base = readBase(bytes, false);
    if (!base)
        return std::nullopt;
    return std::move(base->record);
}

std::int64_t ExifOperator::getTagIndex(std::span<const std::uint8_t> bytes, std::uint64_t offset,
                                       std::uint8_t first, std::uint8_t second)
{
    if (offset >= bytes.size())
        return -1;
    bool armed = false;
    std::uint64_t remembered = 0;
    for (std::uint64_t i = offset; i < bytes.size(); ++i) {
        if (armed) {
            if (bytes[i] == second)
                return static_cast<std::int64_t>(remembered);
            // The byte that disarmed the scan is not looked at again as a first byte.
            armed = false;
        } else if (bytes[i] == first) {
            remembered = i;
            armed = true;
        }
    }
    return -1;
}

std::optional<QByteArray> ExifOperator::getTagData(ImageBytes& file, std::span<const std::uint8_t> search,
                                                   std::uint64_t tagIndex, std::uint64_t length,
                                                   bool bigEndian)
{
    if (tagIndex > search.size() || search.size() - tagIndex < TagSource::entrySize)
        return std::nullopt;
    const std::uint64_t valueOffset = TagSource::readUInt32(search, tagIndex + 8, bigEndian);
    return file.read(valueOffset + tiffHeaderOffset, length);
}

std::optional<QByteArray> ExifOperator::getCountedTagData(ImageBytes& file,
                                                          std::span<const std::uint8_t> search,
                                                          std::uint64_t tagIndex, bool bigEndian)
{
    if (tagIndex > search.size() || search.size() - tagIndex < TagSource::entrySize)
        return std::nullopt;
    const std::uint64_t count = TagSource::readUInt32(search, tagIndex + 4, bigEndian);
    return getTagData(file, search, tagIndex, count, bigEndian);
}
