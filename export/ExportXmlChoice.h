#pragma once

#include "export/BaseExportXmlOperator.h"
#include "export/ExportXmlOperator.h"
#include "export/ExportXmlOperator2.h"
#include "metadata/ExtendedMakerNoteEntity.h"

#include <optional>

// Which writer describes an image: the record's majorVersion decides, as it decides the naming rules.
namespace ExportXmlChoice {

// majorVersion read as an integer (TextNumber::intFromText); an absent record or an
// absent majorVersion reads as 0.
int majorVersion(const std::optional<ExtendedMakerNoteEntity>& record);
// writer2 for majorVersion 4 and above, otherwise writer.
const BaseExportXmlOperator& writerFor(const std::optional<ExtendedMakerNoteEntity>& record,
                                       const ExportXmlOperator& writer, const ExportXmlOperator2& writer2);

} // namespace ExportXmlChoice
