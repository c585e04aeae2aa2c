#include "export/ExportXmlOperator2.h"

#include <array>
#include <utility>

namespace {

using Entity = ExtendedMakerNoteEntity;

constexpr ExportXmlArgument plain(std::optional<QString> Entity::*field)
{
    return {field, false};
}
constexpr ExportXmlArgument hex(std::optional<QString> Entity::*field)
{
    return {field, true};
}

// The order of the template's "%@"; each field's element in "export2.xml" names it.
constexpr std::array<ExportXmlArgument, ExportXmlOperator2::argumentCount> kArguments{{
    plain(&Entity::majorVersion),
    plain(&Entity::minorVersion),
    plain(&Entity::serial),
    plain(&Entity::owner),
    plain(&Entity::identifier),
    plain(&Entity::timeZone),
    hex(&Entity::summerTime),
    hex(&Entity::customMode),
    hex(&Entity::selectedMag),
    hex(&Entity::shootingMode),
    hex(&Entity::flashMode),
    hex(&Entity::brightness),
    hex(&Entity::led),
    hex(&Entity::ledLighting),
    hex(&Entity::focusMode),
    hex(&Entity::afSpot_X),
    hex(&Entity::afSpot_Y),
    hex(&Entity::hue_AB),
    hex(&Entity::hue_MG),
    hex(&Entity::contrast),
    hex(&Entity::sharpness),
    hex(&Entity::dialFunction),
    hex(&Entity::autoCropping),
    hex(&Entity::cameraPosition),
    hex(&Entity::flipDirection),
    hex(&Entity::drawingFlag),
    hex(&Entity::drawingFlag2),
    plain(&Entity::magnification_U),
    plain(&Entity::magnification_L),
    plain(&Entity::totalCount),
    plain(&Entity::workingDistance),
    hex(&Entity::patientNameOrder),
    hex(&Entity::patientInfoFlag_0),
    plain(&Entity::patientID),
    plain(&Entity::patientName),
    plain(&Entity::patientName_A),
    plain(&Entity::patientName_I),
    plain(&Entity::patientName_P),
    plain(&Entity::patientSex),
    plain(&Entity::patientBirthDate),
    plain(&Entity::patientAge_QR),
    plain(&Entity::date_QR),
    hex(&Entity::patientInfoFlag_1),
    hex(&Entity::patientInfoFlag_2),
    hex(&Entity::patientInfoFlag_3),
    hex(&Entity::patientInfoFlag_4),
    hex(&Entity::patientInfoFlag_5),
    hex(&Entity::patientInfoFlag_6),
    hex(&Entity::patientInfoFlag_7),
    hex(&Entity::patientInfoFlag_8),
    hex(&Entity::patientInfoFlag_9),
    hex(&Entity::operatorsNameOrder),
    hex(&Entity::operatorInfoFlag_0),
    plain(&Entity::operatorsID),
    plain(&Entity::operatorsName_A),
    plain(&Entity::operatorsName_I),
    plain(&Entity::operatorsName_P),
    hex(&Entity::operatorsGroup),
    hex(&Entity::operatorInfoFlag_1),
    hex(&Entity::operatorInfoFlag_2),
    hex(&Entity::operatorInfoFlag_3),
    hex(&Entity::operatorInfoFlag_4),
    hex(&Entity::operatorInfoFlag_5),
    hex(&Entity::operatorInfoFlag_6),
    hex(&Entity::operatorInfoFlag_7),
    hex(&Entity::operatorInfoFlag_8),
    hex(&Entity::operatorInfoFlag_9),
    hex(&Entity::operatorInfoFlag_10),
    hex(&Entity::operatorInfoFlag_11),
    hex(&Entity::operatorInfoFlag_12),
    hex(&Entity::operatorInfoFlag_13),
    hex(&Entity::operatorInfoFlag_14),
    hex(&Entity::operatorInfoFlag_15),
    hex(&Entity::operatorInfoFlag_16),
    hex(&Entity::operatorInfoFlag_17),
    hex(&Entity::operatorInfoFlag_18),
    hex(&Entity::operatorInfoFlag_19),
    hex(&Entity::operatorInfoFlag_20),
    hex(&Entity::operatorInfoFlag_21),
    plain(&Entity::patientExtraInfo),
    plain(&Entity::operatorExtraInfo),
}};

} // namespace

ExportXmlOperator2::ExportXmlOperator2() : ExportXmlOperator2(sharedTemplate()) {}

ExportXmlOperator2::ExportXmlOperator2(std::optional<QString> templateText)
    : BaseExportXmlOperator(std::move(templateText), kArguments)
{
}

const std::optional<QString>& ExportXmlOperator2::sharedTemplate()
{
    // Read by the first writer of the process (a thread-safe static) and kept for its life.
    static const std::optional<QString> text = loadTemplate(templateResourcePath());
    return text;
}

QString ExportXmlOperator2::templateResourcePath()
{
    return QStringLiteral(":/full/export2.xml");
}
