#pragma once

#include "export/BaseExportXmlOperator.h"

#include <span>

// The arguments of the two writers' templates, in the order of their "%@", from one field table:
// "export2.xml" takes every field, "export.xml" all but those that only generation 4 and above
// carry (owner, time zone, custom mode, counts, extra information).
namespace ExportXmlFields {

std::span<const ExportXmlArgument> forExportXml();
std::span<const ExportXmlArgument> forExportXml2();

} // namespace ExportXmlFields
