#pragma once

#include <QString>

#include <ostream>

// Failures show texts and lists of texts as text rather than as bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
