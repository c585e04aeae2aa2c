#include "app/SettingsValue.h"

#include "platform/TextNumber.h"

#include <QLocale>
#include <QMetaType>

#include <cmath>
#include <limits>

namespace SettingsValue {

namespace {

enum class Kind { None, Bool, Signed, Unsigned, Real, Text };

Kind kindOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return Kind::Bool;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
        return Kind::Signed;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return Kind::Unsigned;
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Real;
    case QMetaType::QString:
        return Kind::Text;
    default:
        return Kind::None;
    }
}

using TextNumber::saturatedInt;

int saturatedInt(double v)
{
    if (std::isnan(v))
        return 0;
    // Converting an out-of-range double to int is undefined, so clamp first.
    if (v >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

} // namespace

bool boolValue(const QVariant& value)
{
    switch (kindOf(value)) {
    case Kind::Bool:
        return value.toBool();
    case Kind::Signed:
        return value.toLongLong() != 0;
    case Kind::Unsigned:
        return value.toULongLong() != 0;
    case Kind::Real:
        return value.toDouble() != 0.0;
    case Kind::Text:
        return boolFromText(value.toString());
    case Kind::None:
        break;
    }
    return false;
}

int intValue(const QVariant& value)
{
    switch (kindOf(value)) {
    case Kind::Bool:
        return value.toBool() ? 1 : 0;
    case Kind::Signed:
        return saturatedInt(value.toLongLong());
    case Kind::Unsigned: {
        const qulonglong v = value.toULongLong();
        return v > qulonglong(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                               : static_cast<int>(v);
    }
    case Kind::Real:
        return saturatedInt(value.toDouble());
    case Kind::Text:
        return intFromText(value.toString());
    case Kind::None:
        break;
    }
    return 0;
}

double doubleValue(const QVariant& value)
{
    switch (kindOf(value)) {
    case Kind::Bool:
        return value.toBool() ? 1.0 : 0.0;
    case Kind::Signed:
        return static_cast<double>(value.toLongLong());
    case Kind::Unsigned:
        return static_cast<double>(value.toULongLong());
    case Kind::Real:
        return value.toDouble();
    case Kind::Text:
        return doubleFromText(value.toString());
    case Kind::None:
        break;
    }
    return 0.0;
}

float floatValue(const QVariant& value)
{
    return static_cast<float>(doubleValue(value));
}

QString stringValue(const QVariant& value)
{
    switch (kindOf(value)) {
    case Kind::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case Kind::Signed:
        return QString::number(value.toLongLong());
    case Kind::Unsigned:
        return QString::number(value.toULongLong());
    case Kind::Real:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case Kind::Text:
        return value.toString();
    case Kind::None:
        break;
    }
    return {};
}

bool boolValue(const QVariantMap& settings, const QString& key)
{
    return boolValue(settings.value(key));
}
int intValue(const QVariantMap& settings, const QString& key)
{
    return intValue(settings.value(key));
}
double doubleValue(const QVariantMap& settings, const QString& key)
{
    return doubleValue(settings.value(key));
}
float floatValue(const QVariantMap& settings, const QString& key)
{
    return floatValue(settings.value(key));
}
QString stringValue(const QVariantMap& settings, const QString& key)
{
    return stringValue(settings.value(key));
}

} // namespace SettingsValue
