#pragma once

#include "export/BaseExportXmlOperator.h"
#include "export/ExportXmlOperator.h"
#include "export/ExportXmlOperator2.h"
#include "metadata/ExtendedMakerNoteEntity.h"

#include <optional>

// Which writer describes an image: the record's majorVersion decides, as it decides the naming rules.
namespace ExportXmlChoice {

// writer2 from the second naming generation on, otherwise writer.
const BaseExportXmlOperator& writerFor(const std::optional<ExtendedMakerNoteEntity>& record,
                                       const ExportXmlOperator& writer, const ExportXmlOperator2& writer2);

} // namespace ExportXmlChoice
