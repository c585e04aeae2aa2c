#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <optional>

// Property lists (the settings file) read and written through libplist, as Qt values.
//
// Types, both ways: boolean <-> bool; integer <-> qint64 (any Qt integer type is written); real <->
// double (float is written too); string <-> QString; data <-> QByteArray; date <-> QDateTime (UTC,
// whole seconds in XML); array <-> QVariantList (QStringList is written too); dictionary <->
// QVariantMap. So a file read and written back keeps every value and its type, including those that
// no reader of the settings uses.
//
// libplist 2.2 has only an unsigned integer node; it keeps the sign of integers it parses, so
// integers are carried as the two's complement of the qint64. Integers above INT64_MAX cannot be
// told apart from negative ones and are not supported.
namespace PropertyList {

// Parses an XML or binary property list whose root is a dictionary. Nothing for anything else: not a
// property list, a root that is not a dictionary, nesting deeper than any settings file has.
std::optional<QVariantMap> fromData(const QByteArray& data);

// The dictionary as an XML property list; nothing when a value has a type that a property list
// cannot hold (an invalid QVariant, a QPoint, a date outside the format's range, ...).
std::optional<QByteArray> toXml(const QVariantMap& dictionary);

// Reads and parses the file; nothing when it is missing, unreadable or not a dictionary plist.
std::optional<QVariantMap> readFile(const QString& path);

// Replaces the file with the dictionary as XML, atomically: the new text goes to a temporary file in
// the same folder, is flushed to disk and then renamed over the old file, so a reader sees either the
// old file or the new one whole. False when anything fails; the old file is then untouched.
bool writeFile(const QString& path, const QVariantMap& dictionary);

} // namespace PropertyList
