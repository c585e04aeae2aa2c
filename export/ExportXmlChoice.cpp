#include "export/ExportXmlChoice.h"

namespace ExportXmlChoice {

const BaseExportXmlOperator& writerFor(const std::optional<ExtendedMakerNoteEntity>& record,
                                       const ExportXmlOperator& writer, const ExportXmlOperator2& writer2)
{
    if (namingGeneration(record) >= secondNamingGeneration)
        return writer2;
    return writer;
}

} // namespace ExportXmlChoice
