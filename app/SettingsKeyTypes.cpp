#include "app/SettingsKeyTypes.h"

#include "app/SettingsKeys.h"
#include "app/TrevaselCommon.h"

#include <QDir>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace SettingsKey {

namespace {

const QHash<QString, ValueType>& types()
{
    static const QHash<QString, ValueType> table{
        {autoStartUp, ValueType::Bool},
        {watchRemovableDiskDrive, ValueType::Bool},
        {confirmBeforeSending, ValueType::Integer},
        {ejectRemovableDevice, ValueType::Bool},
        {watchFolder, ValueType::Bool},
        {watchFolderPath, ValueType::FolderPath},
        {destinationFolderPath, ValueType::FolderPath},
        {destinationFolderMov, ValueType::Bool},
        {destinationFolderPathMov, ValueType::FolderPath},
        {dontSendPatientInformationImage, ValueType::Bool},
        {saveDaySubfolder, ValueType::Bool},
        {dateFormat, ValueType::Integer},
        {dateFormatString, ValueType::Text},
        {deleteOriginalImage, ValueType::Bool},
        {versionCheckSite, ValueType::Url},
        {manualVersionCheckSite, ValueType::Url},
        {informationCheckSite, ValueType::Url},
        {informationCheckSiteEnglish, ValueType::Url},
        {checkedInformationId, ValueType::Integer},
        {checkNgFileIntervalTime, ValueType::Seconds},
        {deleteImportedFileRecordIntervalTime, ValueType::Seconds},
        {lastDeleteImportedFileRecordDatetime, ValueType::DateTimeText},
        {displayDesktopNotice, ValueType::BoolOrOneText},
        {onlyCameraFormatedSD, ValueType::OneText},
        {idNumberZeroPadding, ValueType::OneText},
        {lastBuildNumber, ValueType::IntegerText},
        {exportXml, ValueType::Bool},
        {zeroPadding, ValueType::Bool},
        {zeroPaddingLength, ValueType::Integer},
        {zeroPaddingLengthString, ValueType::IntegerText},
        {chopCameraSerialNumber, ValueType::Bool},
        {chopCount, ValueType::Bool},
        {dontAddPatientName, ValueType::Bool},
        {dontSendMif, ValueType::Bool},
        {activateAvoidMultipleImportCheck, ValueType::Bool},
        {theWaitSecondsForCheckingDesignatedFolder, ValueType::WholeSeconds},
        {verifyCopies, ValueType::Bool},
        {dicomExport, ValueType::Bool},
        {dicomFolderPath, ValueType::FolderPath},
        {dicomSend, ValueType::Bool},
        {dicomPeerHost, ValueType::HostName},
        {dicomPeerPort, ValueType::Port},
        {dicomCalledAeTitle, ValueType::AeTitle},
        {dicomCallingAeTitle, ValueType::AeTitle},
    };
    return table;
}

std::optional<bool> boolFromWord(const QString& text)
{
    const QString word = text.toLower();
    if (word == u"true" || word == u"yes" || word == u"1")
        return true;
    if (word == u"false" || word == u"no" || word == u"0")
        return false;
    return std::nullopt;
}

// Plain decimal digits with an optional minus sign, nothing around them, within 64 bits.
std::optional<qint64> integerFromText(const QString& text)
{
    const qsizetype start = text.startsWith(u'-') ? 1 : 0;
    if (text.size() == start)
        return std::nullopt;
    for (qsizetype i = start; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<double> secondsFromText(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

std::optional<QVariant> refuse(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return std::nullopt;
}

} // namespace

std::optional<ValueType> typeOf(const QString& key, Edition edition)
{
    if (!keysOf(edition).contains(key))
        return std::nullopt;
    return types().value(key);
}

QString typeName(ValueType type)
{
    switch (type) {
    case ValueType::Bool:
        return QStringLiteral("boolean");
    case ValueType::Integer:
        return QStringLiteral("integer");
    case ValueType::Seconds:
        return QStringLiteral("real, seconds");
    case ValueType::WholeSeconds:
        return QStringLiteral("number, seconds");
    case ValueType::Text:
        return QStringLiteral("text");
    case ValueType::FolderPath:
        return QStringLiteral("absolute folder path");
    case ValueType::Url:
        return QStringLiteral("URL");
    case ValueType::DateTimeText:
        return QStringLiteral("text yyyyMMddHHmmss");
    case ValueType::IntegerText:
        return QStringLiteral("integer, stored as text");
    case ValueType::OneText:
        return QStringLiteral("text \"1\"");
    case ValueType::BoolOrOneText:
        return QStringLiteral("boolean or text \"1\"");
    case ValueType::HostName:
        return QStringLiteral("host name or address");
    case ValueType::Port:
        return QStringLiteral("port number");
    case ValueType::AeTitle:
        return QStringLiteral("DICOM AE title");
    }
    return {};
}

bool isHostName(const QString& text)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?$"));
    static const QRegularExpression ipv6(QStringLiteral("^[0-9A-Fa-f:.]*:[0-9A-Fa-f:.]*$"));
    return !text.isEmpty() && text.size() <= 253 &&
           (name.match(text).hasMatch() || ipv6.match(text).hasMatch());
}

bool isAeTitle(const QString& text)
{
    if (text.isEmpty() || text.size() > 16 || text.trimmed().isEmpty())
        return false;
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f && c != u'\\'; });
}

std::optional<QVariant> valueFromText(ValueType type, const QString& text, QString* why)
{
    switch (type) {
    case ValueType::Bool:
    case ValueType::BoolOrOneText:
        if (const auto value = boolFromWord(text))
            return QVariant(*value);
        return refuse(why, QStringLiteral("takes a boolean: true, false, yes, no, 1 or 0"));
    case ValueType::Integer:
        if (const auto value = integerFromText(text))
            return QVariant(*value);
        return refuse(why, QStringLiteral("takes an integer: decimal digits with an optional minus sign"));
    case ValueType::IntegerText:
        if (const auto value = integerFromText(text); value && *value >= 0)
            return QVariant(QString::number(*value));
        return refuse(why, QStringLiteral("takes a whole number of decimal digits (stored as text)"));
    case ValueType::Seconds:
        if (const auto value = secondsFromText(text))
            return QVariant(*value);
        return refuse(why, QStringLiteral("takes a number of seconds, not negative (e.g. 10 or 2.5)"));
    case ValueType::WholeSeconds:
        if (const auto value = secondsFromText(text)) {
            // The default file stores whole seconds as an integer; keep that form when it fits.
            if (std::trunc(*value) == *value && *value < 9.0e15)
                return QVariant(static_cast<qint64>(*value));
            return QVariant(*value);
        }
        return refuse(why, QStringLiteral("takes a number of seconds, not negative (e.g. 60)"));
    case ValueType::Text:
        return QVariant(text);
    case ValueType::FolderPath:
        // The programs never run from a known working folder, so a relative path would point nowhere.
        if (text.isEmpty() || QDir::isAbsolutePath(text))
            return QVariant(text);
        return refuse(why, QStringLiteral("takes an absolute folder path (or nothing)"));
    case ValueType::Url: {
        const QUrl url(text, QUrl::StrictMode);
        if (url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty())
            return QVariant(text);
        return refuse(why, QStringLiteral("takes an http or https address"));
    }
    case ValueType::DateTimeText:
        if (TrevaselCommon::stringToDate(text))
            return QVariant(text);
        return refuse(why, QStringLiteral("takes a local date and time as yyyyMMddHHmmss (14 digits)"));
    case ValueType::HostName:
        if (text.isEmpty() || isHostName(text))
            return QVariant(text);
        return refuse(why, QStringLiteral("takes a host name or an IP address (or nothing)"));
    case ValueType::Port:
        if (const auto value = integerFromText(text); value && *value >= 1 && *value <= 65535)
            return QVariant(*value);
        return refuse(why, QStringLiteral("takes a port number from 1 to 65535"));
    case ValueType::AeTitle:
        if (isAeTitle(text))
            return QVariant(text);
        return refuse(
            why, QStringLiteral("takes 1 to 16 characters of plain ASCII, no backslash, not only spaces"));
    case ValueType::OneText:
        if (text == u"1")
            return QVariant(text);
        return refuse(why, QStringLiteral("takes only the text 1, the value the settings window writes"));
    }
    return refuse(why, QStringLiteral("has no known type"));
}

} // namespace SettingsKey
