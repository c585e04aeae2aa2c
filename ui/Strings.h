#pragma once

#include <QString>

// The texts the windows show, looked up by key ("ProgressWindow_Title", "ApplicationMessage27") in the
// string tables compiled in from resources/strings. A text that takes a value holds "%1" (and "%2"),
// which the caller fills with QString::arg.
//
// The language follows the system's locale: Japanese when the first preferred language is Japanese,
// English otherwise. The basic edition's table overrides the few texts worded differently there.
namespace Strings {

// The text of key in the current language; a key missing there falls back to English, and a key
// missing in every table gives the key itself, so a gap shows as its name rather than as nothing.
QString text(const QString& key);

// "en" or "ja": forces the language (tests, the screenshot tool); the empty text follows the system
// again.
void setLanguage(const QString& language);
// "en" or "ja", as the lookups use it now.
QString language();

// True when a table of that language holds the key (tests).
bool contains(const QString& language, const QString& key);
// Every key of a language's shared table (tests).
QStringList keys(const QString& language);

} // namespace Strings
