#include "export/ExportXmlFields.h"

#include "export/ExportXmlOperator.h"
#include "export/ExportXmlOperator2.h"

#include <array>
#include <cstddef>

namespace {

using Entity = ExtendedMakerNoteEntity;

struct Field
{
    ExportXmlArgument argument;
    bool generation4Only;
};

constexpr bool kGeneration4Only = true;

constexpr Field plain(std::optional<QString> Entity::*field, bool generation4Only = false)
{
    return {{field, false}, generation4Only};
}
constexpr Field hex(std::optional<QString> Entity::*field, bool generation4Only = false)
{
    return {{field, true}, generation4Only};
}

// The order of the templates' "%@"; each field's element in the templates names it.
constexpr std::array kFields{
    plain(&Entity::majorVersion),
    plain(&Entity::minorVersion),
    plain(&Entity::serial),
    plain(&Entity::owner, kGeneration4Only),
    plain(&Entity::identifier, kGeneration4Only),
    plain(&Entity::timeZone, kGeneration4Only),
    hex(&Entity::summerTime, kGeneration4Only),
    hex(&Entity::customMode, kGeneration4Only),
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
    hex(&Entity::drawingFlag2, kGeneration4Only),
    plain(&Entity::magnification_U),
    plain(&Entity::magnification_L),
    plain(&Entity::totalCount, kGeneration4Only),
    plain(&Entity::workingDistance, kGeneration4Only),
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
    plain(&Entity::patientExtraInfo, kGeneration4Only),
    plain(&Entity::operatorExtraInfo, kGeneration4Only),
};

constexpr std::size_t fieldCount(bool generation4)
{
    std::size_t count = 0;
    for (const Field& field : kFields)
        count += generation4 || !field.generation4Only ? 1 : 0;
    return count;
}

template <bool Generation4> constexpr auto selected()
{
    std::array<ExportXmlArgument, fieldCount(Generation4)> arguments{};
    std::size_t next = 0;
    for (const Field& field : kFields) {
        if (Generation4 || !field.generation4Only)
            arguments[next++] = field.argument;
    }
    return arguments;
}

constexpr auto kExportXmlArguments = selected<false>();
constexpr auto kExportXml2Arguments = selected<true>();
static_assert(kExportXmlArguments.size() == ExportXmlOperator::argumentCount);
static_assert(kExportXml2Arguments.size() == ExportXmlOperator2::argumentCount);

} // namespace

std::span<const ExportXmlArgument> ExportXmlFields::forExportXml()
{
    return kExportXmlArguments;
}

std::span<const ExportXmlArgument> ExportXmlFields::forExportXml2()
{
    return kExportXml2Arguments;
}
