#pragma once

#include <QString>

#include <optional>

// The field list is laid out by hand.
// clang-format off
// Every field of the camera's extended maker note, in declaration order. All are text and absent
// until a reader sets them; the XML export writes them in this order.
#define TREVASEL_EXTENDED_MAKER_NOTE_FIELDS(X)                                                            \
    X(majorVersion) X(minorVersion) X(serial) X(owner) X(identifier) X(timeZone) X(summerTime)              \
    X(customMode) X(selectedMag) X(shootingMode) X(flashMode) X(brightness) X(led) X(ledLighting)           \
    X(focusMode) X(afSpot_X) X(afSpot_Y) X(hue_AB) X(hue_MG) X(contrast) X(sharpness) X(dialFunction)       \
    X(autoCropping) X(cameraPosition) X(flipDirection) X(imageSize) X(imageQuality)                         \
    X(setupMenuInformation) X(drawingFlag) X(drawingFlag2) X(magnification_U) X(magnification_L)            \
    X(totalCount) X(workingDistance) X(patientInformationID) X(patientInformationName)                      \
    X(quorbinManagementData) X(patientNameOrder) X(patientInfoFlag_0) X(patientID) X(patientName)           \
    X(patientName_A) X(patientName_I) X(patientName_P) X(patientSex) X(patientBirthDate) X(patientAge_QR)   \
    X(date_QR) X(patientInfoFlag_1) X(patientInfoFlag_2) X(patientInfoFlag_3) X(patientInfoFlag_4)          \
    X(patientInfoFlag_5) X(patientInfoFlag_6) X(patientInfoFlag_7) X(patientInfoFlag_8)                     \
    X(patientInfoFlag_9) X(operatorsNameOrder) X(operatorInfoFlag_0) X(operatorsID) X(operatorsName_A)      \
    X(operatorsName_I) X(operatorsName_P) X(operatorsGroup) X(operatorInfoFlag_1) X(operatorInfoFlag_2)     \
    X(operatorInfoFlag_3) X(operatorInfoFlag_4) X(operatorInfoFlag_5) X(operatorInfoFlag_6)                 \
    X(operatorInfoFlag_7) X(operatorInfoFlag_8) X(operatorInfoFlag_9) X(operatorInfoFlag_10)                \
    X(operatorInfoFlag_11) X(operatorInfoFlag_12) X(operatorInfoFlag_13) X(operatorInfoFlag_14)             \
    X(operatorInfoFlag_15) X(operatorInfoFlag_16) X(operatorInfoFlag_17) X(operatorInfoFlag_18)             \
    X(operatorInfoFlag_19) X(operatorInfoFlag_20) X(operatorInfoFlag_21) X(patientExtraInfo)                \
    X(operatorExtraInfo) X(makerNote)
// clang-format on

// The decoded extended maker note (maker-note version 2.1 and above), owned by its ExifEntity.
struct ExtendedMakerNoteEntity
{
#define TREVASEL_DECLARE_FIELD(name) std::optional<QString> name;
    TREVASEL_EXTENDED_MAKER_NOTE_FIELDS(TREVASEL_DECLARE_FIELD)
#undef TREVASEL_DECLARE_FIELD

    // Calls visit(name, value) for every field in declaration order, set or not.
    template <typename Visitor> void forEachField(Visitor&& visit) const
    {
#define TREVASEL_VISIT_FIELD(name) visit(QStringLiteral(#name), name);
        TREVASEL_EXTENDED_MAKER_NOTE_FIELDS(TREVASEL_VISIT_FIELD)
#undef TREVASEL_VISIT_FIELD
    }

    bool operator==(const ExtendedMakerNoteEntity&) const = default;
};

// The naming generation, which picks the naming rules and the XML writer: majorVersion read as a
// number by its leading digits (leading white space and a sign allowed, saturating at the int
// range); 0 for an image without an extended maker note. From 4 on, the "2" naming rules and the
// second XML writer apply.
int namingGeneration(const std::optional<ExtendedMakerNoteEntity>& record);
inline constexpr int secondNamingGeneration = 4;
