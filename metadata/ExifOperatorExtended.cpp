// The extended maker note (version 2.1 and above): the camera's shooting settings and the patient
// and operator block, decoded from the plaintext of the whole second maker-note read.
#include "metadata/ByteText.h"
#include "metadata/ExifOperator.h"

namespace {

class PlaintextFields
{
public:
    explicit PlaintextFields(const QByteArray& plain) : m_plain(plain) {}

    std::uint8_t byte(qsizetype offset) const { return static_cast<std::uint8_t>(m_plain.at(offset)); }
    QString hex2(qsizetype offset) const { return ByteText::hex2(byte(offset)); }
    QString decimal(qsizetype offset) const { return ByteText::decimal(byte(offset)); }
    QString character(qsizetype offset) const { return ByteText::characters(bytes(offset, 1)); }
    std::optional<QString> text(qsizetype offset, qsizetype length) const
    {
        return ByteText::utf8UpToNul(bytes(offset, length));
    }
    std::optional<QString> hexText(qsizetype offset, qsizetype length) const
    {
        const auto digits = text(offset, length);
        if (!digits)
            return std::nullopt;
        return ByteText::hexTextToDecimal(*digits);
    }
    QByteArrayView bytes(qsizetype offset, qsizetype length) const
    {
        return QByteArrayView(m_plain).sliced(offset, length);
    }

private:
    const QByteArray& m_plain;
};

bool isEmpty(const std::optional<QString>& text)
{
    return !text || text->isEmpty();
}

} // namespace

void ExifOperator::fillExtended(BaseRead& base, bool secondGeneration)
{
    ExifEntity& record = base.record;
    const QByteArray& extended = record.extendedMakerNoteData;
    const PlaintextFields plain(base.plaintext);
    ExtendedMakerNoteEntity entity;

    entity.majorVersion = ByteText::decimal(static_cast<std::uint8_t>(extended.at(0)));
    entity.minorVersion = ByteText::decimal(static_cast<std::uint8_t>(extended.at(1)));
    entity.serial = record.productNumberString;
    if (secondGeneration) {
        entity.owner = record.owner;
        entity.identifier = record.identifier;
        entity.timeZone = record.timeZone;
        entity.summerTime = record.summerTime;
        entity.customMode = plain.hex2(99);
    }

    // Shooting settings, region 96-111, and image settings, region 112-127.
    entity.selectedMag = plain.hex2(100);
    entity.shootingMode = plain.hex2(101);
    entity.flashMode = plain.hex2(102);
    entity.brightness = plain.hex2(103);
    entity.led = plain.hex2(104);
    entity.ledLighting = plain.hex2(105);
    entity.focusMode = plain.hex2(106);
    entity.afSpot_X = plain.hex2(107);
    entity.afSpot_Y = plain.hex2(108);
    entity.hue_AB = plain.hex2(109);
    entity.hue_MG = plain.hex2(110);
    entity.contrast = plain.hex2(111);
    entity.sharpness = plain.hex2(112);
    entity.dialFunction = plain.hex2(113);
    entity.autoCropping = plain.hex2(114);
    entity.cameraPosition = plain.hex2(115);
    entity.flipDirection = plain.hex2(116);

    // Draw flags, region 144-159; magnification, count and distance, region 160-175.
    entity.drawingFlag = plain.hex2(150);
    if (secondGeneration)
        entity.drawingFlag2 = plain.hex2(151);
    entity.magnification_U = plain.decimal(160);
    entity.magnification_L = plain.decimal(161);
    if (secondGeneration) {
        entity.totalCount = plain.hexText(162, 4);
        entity.workingDistance = plain.hexText(166, 2);
    }

    entity.patientInformationID = record.patientID;
    entity.patientInformationName = record.patientName;
    entity.quorbinManagementData = plain.text(500, 524);

    // Patient and operator information, region 1024-2047.
    entity.patientNameOrder = plain.hex2(1024);
    entity.patientInfoFlag_0 = plain.hex2(1029);
    entity.patientID = plain.text(1030, 20);
    entity.patientName_A = plain.text(1050, 68);
    entity.patientName_I = plain.text(1118, 196);
    entity.patientName_P = plain.text(1314, 196);
    entity.patientSex = plain.character(1510);
    entity.patientBirthDate = plain.text(1511, 8);
    entity.patientAge_QR = plain.text(1519, 4);
    entity.date_QR = plain.text(1523, 8);
    std::optional<QString>* const patientFlags[] = {
        &entity.patientInfoFlag_1, &entity.patientInfoFlag_2, &entity.patientInfoFlag_3,
        &entity.patientInfoFlag_4, &entity.patientInfoFlag_5, &entity.patientInfoFlag_6,
        &entity.patientInfoFlag_7, &entity.patientInfoFlag_8, &entity.patientInfoFlag_9,
    };
    for (qsizetype i = 0; i < 9; ++i)
        *patientFlags[i] = plain.hex2(1531 + i);
    entity.operatorsNameOrder = plain.hex2(1540);
    entity.operatorInfoFlag_0 = plain.hex2(1545);
    entity.operatorsID = plain.text(1546, 20);
    entity.operatorsName_A = plain.text(1566, 68);
    entity.operatorsName_I = plain.text(1634, 196);
    entity.operatorsName_P = plain.text(1830, 196);
    entity.operatorsGroup = plain.hex2(2026);
    std::optional<QString>* const operatorFlags[] = {
        &entity.operatorInfoFlag_1,  &entity.operatorInfoFlag_2,  &entity.operatorInfoFlag_3,
        &entity.operatorInfoFlag_4,  &entity.operatorInfoFlag_5,  &entity.operatorInfoFlag_6,
        &entity.operatorInfoFlag_7,  &entity.operatorInfoFlag_8,  &entity.operatorInfoFlag_9,
        &entity.operatorInfoFlag_10, &entity.operatorInfoFlag_11, &entity.operatorInfoFlag_12,
        &entity.operatorInfoFlag_13, &entity.operatorInfoFlag_14, &entity.operatorInfoFlag_15,
        &entity.operatorInfoFlag_16, &entity.operatorInfoFlag_17, &entity.operatorInfoFlag_18,
        &entity.operatorInfoFlag_19, &entity.operatorInfoFlag_20, &entity.operatorInfoFlag_21,
    };
    for (qsizetype i = 0; i < 21; ++i)
        *operatorFlags[i] = plain.hex2(2027 + i);

    if (secondGeneration) {
        entity.patientExtraInfo = ExifOperator::extraInformationText(plain.bytes(2064, 256));
        entity.operatorExtraInfo = ExifOperator::extraInformationText(plain.bytes(2320, 256));
    }

    // The display name comes from the first name form the camera filled, in its name order. From
    // version 4 on, the order "ff" shows the kanji form as stored and empties it in the entity.
    const bool storedAsIs = entity.patientNameOrder == QLatin1String("ff");
    if (secondGeneration && storedAsIs) {
        record.patientName = entity.patientName_I;
        entity.patientName_I = QString();
    } else {
        for (const auto* form : {&entity.patientName_I, &entity.patientName_P, &entity.patientName_A}) {
            if (!isEmpty(*form)) {
                record.patientName = ExifOperator::formattingPatientName(**form, *entity.patientNameOrder);
                break;
            }
        }
    }

    // From version 4 on, the patient ID at 2576 replaces the one at 1030.
    if (secondGeneration)
        entity.patientID = plain.text(2576, 20);

    record.extendedMakerNoteEntity = std::move(entity);
}

std::optional<ExifEntity> ExifOperator::readImageFileExtended(ImageBytes& bytes)
{
    auto base = readBase(bytes, true);
    if (!base)
        return std::nullopt;
    fillExtended(*base, false);
    return std::move(base->record);
}

std::optional<ExifEntity> ExifOperator::readImageFileExtended2(ImageBytes& bytes)
{
    auto base = readBase(bytes, false);
    if (!base)
        return std::nullopt;
    fillExtended(*base, true);
    return std::move(base->record);
}
