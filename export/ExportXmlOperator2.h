#pragma once

#include "export/BaseExportXmlOperator.h"

#include <optional>

// The XML writer for maker-note generation 4 and above: fills the template "export2.xml" with 81
// fields (those of ExportXmlOperator and the owner, time-zone, custom-mode, count and extra-information
// fields that only this generation carries).
class ExportXmlOperator2 : public BaseExportXmlOperator
{
public:
    static constexpr int argumentCount = 81;

    // A writer on the shipped template, read once per process on first use and kept.
    ExportXmlOperator2();
    // A writer on the given template text; nothing stands for a template that could not be read.
    explicit ExportXmlOperator2(std::optional<QString> templateText);

    // The shipped template, ":/full/export2.xml"; nothing when it could not be read.
    static const std::optional<QString>& sharedTemplate();
    static QString templateResourcePath();
};
