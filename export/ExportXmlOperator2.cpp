#include "export/ExportXmlOperator2.h"

#include "export/ExportXmlFields.h"

#include <utility>

ExportXmlOperator2::ExportXmlOperator2() : ExportXmlOperator2(sharedTemplate()) {}

ExportXmlOperator2::ExportXmlOperator2(std::optional<QString> templateText)
    : BaseExportXmlOperator(std::move(templateText), ExportXmlFields::forExportXml2())
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
