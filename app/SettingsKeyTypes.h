#pragma once

#include "app/Edition.h"

#include <QString>
#include <QVariant>

#include <optional>

// The type every key of the settings file is stored with, and how a value typed by a person (the
// command line's "settings set") becomes a stored value of that type. The readers convert whatever
// is stored (see SettingsValue); this table is for the writers, so that a file they write keeps the
// forms the programs themselves write.
namespace SettingsKey {

enum class ValueType {
    Bool,          // boolean
    Integer,       // integer
    Seconds,       // real, seconds, not negative
    WholeSeconds,  // number of seconds, not negative; stored as an integer when whole
    Text,          // any text (the date pattern)
    FolderPath,    // an absolute path, or empty for none
    Url,           // an http or https address
    DateTimeText,  // "yyyyMMddHHmmss" naming an existing local time
    IntegerText,   // decimal digits, stored as text
    OneText,       // the text "1", the only value the settings window ever writes
    BoolOrOneText, // boolean; stored as a boolean (readers accept the full edition's "1" too)
    HostName,      // a host name or IP address, or empty for none
    Port,          // an integer from 1 to 65535
    AeTitle        // a DICOM application entity title: 1 to 16 printable ASCII characters, no backslash
};

// The key's type when the edition knows the key; nothing for a key it does not know.
std::optional<ValueType> typeOf(const QString& key, Edition edition);

// How the table names the type, e.g. "boolean", "integer text".
QString typeName(ValueType type);

// The stored value for text typed by a person; nothing, with the reason in *why, when the text is
// not a value of the type.
std::optional<QVariant> valueFromText(ValueType type, const QString& text, QString* why);

// A host name (letters, digits, dots and hyphens) or an IPv4 or IPv6 address, at most 253 characters.
bool isHostName(const QString& text);
// A DICOM application entity title: 1 to 16 printable ASCII characters, no backslash, not only spaces.
bool isAeTitle(const QString& text);

} // namespace SettingsKey
