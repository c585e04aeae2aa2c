#include "export/ExportXmlChoice.h"

#include "platform/TextNumber.h"

namespace ExportXmlChoice {

int majorVersion(const std::optional<ExtendedMakerNoteEntity>& record)
{
    if (!record || !record->majorVersion) return 0;
    return TextNumber::intFromText(*record->majorVersion);
}

const BaseExportXmlOperator& writerFor(const std::optional<ExtendedMakerNoteEntity>& record,
                                       const ExportXmlOperator& writer, const ExportXmlOperator2& writer2)
{
    if (majorVersion(record) >= 4) return writer2;
    return writer;
}

} // namespace ExportXmlChoice
