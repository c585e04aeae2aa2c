#include "export/ExportXmlOperator.h"

#include "export/ExportXmlFields.h"

#include <utility>

ExportXmlOperator::ExportXmlOperator() : ExportXmlOperator(sharedTemplate()) {}

ExportXmlOperator::ExportXmlOperator(std::optional<QString> templateText)
    : BaseExportXmlOperator(std::move(templateText), ExportXmlFields::forExportXml())
{
}

const std::optional<QString>& ExportXmlOperator::sharedTemplate()
{
    // Read by the first writer of the process (a thread-safe static) and kept for its life.
    static const std::optional<QString> text = loadTemplate(templateResourcePath());
    return text;
}

QString ExportXmlOperator::templateResourcePath()
{
    return QStringLiteral(":/full/export.xml");
}
