#pragma once

#include "platform/TextNumber.h"

#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantMap>

// The conversions through which every part of the system reads a setting. The settings file stores the
// same setting in different ways over the years (a boolean as YES, as the integer 1 or as the text "1";
// a number as an integer or as text), so readers never look at the stored type: they convert, with the
// rules of the Objective-C boolValue / intValue / doubleValue / stringValue conversions.
//
// Stored values are what PropertyList reads: bool, qint64, double, QString, and for the other plist
// types QByteArray, QDateTime, QVariantList, QVariantMap. Values of other Qt types are converted as
// their number or text where they have one.
//
// An absent key, and a value that has no number or text form (data, date, array, dictionary), reads as
// false, 0, 0.0 or the empty text.
namespace SettingsValue {

// Numbers: true when non-zero. Text: as boolFromText.
bool boolValue(const QVariant& value);
// Numbers: truncated toward zero and saturated to the int range. Text: as intFromText.
int intValue(const QVariant& value);
// Numbers: as they are. Text: as doubleFromText.
double doubleValue(const QVariant& value);
float floatValue(const QVariant& value);
// Text: as it is. Integers: decimal. Reals: the shortest text that reads back as the same value.
// Booleans: "1" or "0".
QString stringValue(const QVariant& value);

bool boolValue(const QVariantMap& settings, const QString& key);
int intValue(const QVariantMap& settings, const QString& key);
double doubleValue(const QVariantMap& settings, const QString& key);
float floatValue(const QVariantMap& settings, const QString& key);
QString stringValue(const QVariantMap& settings, const QString& key);

// The text conversions of platform/TextNumber, usable on any text (metadata fields, list entries).
using TextNumber::boolFromText;
using TextNumber::doubleFromText;
using TextNumber::intFromText;

} // namespace SettingsValue
