#pragma once

#include "export/BaseExportXmlOperator.h"

#include <optional>

// The XML writer for maker-note generations below 4: fills the template "export.xml" with 71 fields.
class ExportXmlOperator : public BaseExportXmlOperator
{
public:
    static constexpr int argumentCount = 71;

    // A writer on the shipped template, read once per process on first use and kept.
    ExportXmlOperator();
    // A writer on the given template text; nothing stands for a template that could not be read.
    explicit ExportXmlOperator(std::optional<QString> templateText);

    // The shipped template, ":/full/export.xml"; nothing when it could not be read.
    static const std::optional<QString>& sharedTemplate();
    static QString templateResourcePath();
};
