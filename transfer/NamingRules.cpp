#include "transfer/NamingRules.h"

#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
#include "platform/FileSystem.h"

#include <QDate>
#include <QDateTime>
#include <QDir>

#include <algorithm>

namespace {

// Mode and flag values are compared after upper-casing, so "fe" and "FE" are the same mode.
QString upper(const std::optional<QString>& text)
{
    return text ? text->toUpper() : QString();
}

QString suffixFrom(const std::optional<QString>& value,
                   std::initializer_list<std::pair<const char*, const char*>> table)
{
    const QString key = upper(value);
    for (const auto& [code, suffix] : table)
        if (key == QLatin1String(code))
            return QString::fromLatin1(suffix);
    return QString();
}

QString fileName(const ExifEntity& record, int index, const QString& extension, bool secondGeneration)
{
    const QString original = record.dateTimeOriginal.value_or(QString());
    QString name = QStringLiteral("%1 %2").arg(original.left(10).replace(QLatin1Char(':'), QLatin1Char('-')),
                                               original.mid(11).remove(QLatin1Char(':')));
    const ExtendedMakerNoteEntity empty;
    const ExtendedMakerNoteEntity& extended =
        record.extendedMakerNoteEntity ? *record.extendedMakerNoteEntity : empty;
    if (secondGeneration) {
        name += NamingRules::getShootingModeString2(record.shootingMode);
        name += NamingRules::getCustomModeString(record.shootingMode, extended.customMode);
        name += NamingRules::getAdditionalInformationString2(extended.flipDirection);
    } else {
        name += NamingRules::getShootingModeString(record.shootingMode);
        name += NamingRules::getAdditionalInformationString(record.additionalInformation);
    }
    name += NamingRules::getDrawFlagString(record.drawFlag);
    if (index >= 2)
        name += QStringLiteral("(%1)").arg(index);
    return name + extension;
}

std::optional<QString> validName(const QString& folder, const QString& extension, const ExifEntity& record,
                                 const NamingRules::MetadataReader& reader, bool secondGeneration)
{
    const QString dottedExtension =
        extension.isEmpty() ? QStringLiteral(".JPG") : QLatin1Char('.') + extension;
    const QString base = fileName(record, 0, dottedExtension, secondGeneration);
    const QString stem = base.chopped(dottedExtension.size());

    // Every name that begins with the stem may be the same shot or carry a counter.
    const QStringList entries = FileSystem::entryNames(folder, stem);
    QStringList candidates;
    bool exact = false;
    int highest = 0;
    const qsizetype plainLength = stem.size() + dottedExtension.size();
    for (const QString& entry : entries) {
        if (!entry.startsWith(stem))
            continue;
        candidates << entry;
        exact = exact || entry == base;
        if (entry.size() > plainLength) {
            // The digits between "(" and ")" of "<stem>(n)<extension>"; anything else reads as 0.
            const QString counter = entry.mid(stem.size() + 1, entry.size() - plainLength - 2);
            highest = std::max(highest, SettingsValue::intFromText(counter));
        } else if (entry.size() == plainLength) {
            highest = std::max(highest, 1);
        }
    }
    for (const QString& candidate : candidates)
        if (NamingRules::checkNewImageFileExif(record, QDir(folder).filePath(candidate), reader))
            return std::nullopt;
    const int index = exact ? highest + 1 : 0;
    return folder + QLatin1Char('/') + fileName(record, index, dottedExtension, secondGeneration);
}

} // namespace

std::optional<QString> NamingRules::replaceDirectoryName(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    QString safe = *text;
    safe.replace(QLatin1Char('/'), QLatin1Char('_'))
        .remove(QLatin1Char(':'))
        .replace(QLatin1Char('*'), QLatin1Char('.'))
        .replace(QLatin1Char('?'), QLatin1Char('.'))
        .replace(QLatin1Char('<'), QLatin1Char('('))
        .replace(QLatin1Char('>'), QLatin1Char(')'))
        .replace(QLatin1Char('|'), QLatin1Char('.'))
        .replace(QLatin1Char('"'), QLatin1Char('\''));
    return safe;
}

QString NamingRules::getDividedFolderName(const QString& patientID)
{
    // Not "$%1000": arg() would read "%10" as the placeholder and drop a zero.
    return QStringLiteral("$%1").arg(SettingsValue::intFromText(patientID)) + QStringLiteral("000");
}

QString NamingRules::getShootingModeString(const std::optional<QString>& mode)
{
    return suffixFrom(mode, {{"01", "_Face"},
                             {"02", "_Std"},
                             {"03", "_Srg"},
                             {"04", "_Mirr"},
                             {"05", "_LowG"},
                             {"06", "_Whit"},
                             {"07", ""},
                             {"08", "_Isol"},
                             {"09", "_Tmac"},
                             {"FE", "_ID"},
                             {"FF", "_Name"}});
}

QString NamingRules::getShootingModeString2(const std::optional<QString>& mode)
{
    return suffixFrom(mode, {{"00", "_Std"},
                             {"01", "_Srg"},
                             {"02", "_Mirr"},
                             {"03", "_Face"},
                             {"04", "_LowG"},
                             {"05", "_Whit"},
                             {"06", "_Tmac"},
                             {"07", "_Isol"},
                             {"08", "_Mov"},
                             {"FE", "_ID"},
                             {"FF", "_Name"}});
}

QString NamingRules::getCustomModeString(const std::optional<QString>& mode,
                                         const std::optional<QString>& customMode)
{
    static const QStringList customisable{QStringLiteral("00"), QStringLiteral("01"), QStringLiteral("02"),
                                          QStringLiteral("03"), QStringLiteral("04"), QStringLiteral("05"),
                                          QStringLiteral("06"), QStringLiteral("07")};
    if (!customisable.contains(upper(mode)))
        return QString();
    return suffixFrom(customMode, {{"01", "-C1"}, {"02", "-C2"}, {"03", "-C3"}});
}

QString NamingRules::getAdditionalInformationString(const std::optional<QString>& information)
{
    return suffixFrom(information, {{"01", "_FLP"}, {"02", "_FLP"}, {"03", "_COL"}, {"04", "_BW"}});
}

QString NamingRules::getAdditionalInformationString2(const std::optional<QString>& information)
{
    return getAdditionalInformationString(information);
}

QString NamingRules::getDrawFlagString(const std::optional<QString>& flag)
{
    return flag && SettingsValue::intFromText(*flag) == 1 ? QStringLiteral("_D") : QString();
}

QString NamingRules::getNewImageFileName(const ExifEntity& record, int index, const QString& extension)
{
    return fileName(record, index, extension, false);
}

QString NamingRules::getNewImageFileName2(const ExifEntity& record, int index, const QString& extension)
{
    return fileName(record, index, extension, true);
}

std::optional<QString> NamingRules::getValidNewImageFileName(const QString& folder, const QString& extension,
                                                             const ExifEntity& record,
                                                             const MetadataReader& reader)
{
    return validName(folder, extension, record, reader, false);
}

std::optional<QString> NamingRules::getValidNewImageFileName2(const QString& folder, const QString& extension,
                                                              const ExifEntity& record,
                                                              const MetadataReader& reader)
{
    return validName(folder, extension, record, reader, true);
}

bool NamingRules::checkNewImageFileExif(const ExifEntity& record, const QString& path,
                                        const MetadataReader& reader)
{
    const auto existing = reader(path);
    return existing && existing->dateTimeOriginal == record.dateTimeOriginal &&
           existing->makerNote == record.makerNote;
}

QString NamingRules::nullToBlank(const std::optional<QString>& text)
{
    return text.value_or(QString());
}

QString NamingRules::getPatientFolder(const ExifEntity& record, const SettingsSnapshot& settings)
{
    QString id = replaceDirectoryName(record.patientID).value_or(QStringLiteral("00000000000000000000"));
    const QString name = replaceDirectoryName(record.patientName).value_or(QString());

    const int length = settings.zeroPaddingLength;
    if (!id.isEmpty() && settings.zeroPadding && id.size() < length)
        id = (QString(length, QLatin1Char('0')) + id).right(length);

    const bool withName = !id.isEmpty() && !name.isEmpty() && !settings.dontAddPatientName;
    // An absent ID has become the folder of 20 zeros above; only an empty one has no folder.
    const bool hasID = !record.patientID || !record.patientID->isEmpty();
    QString folder;
    if (withName)
        folder = QStringLiteral("%1 %2").arg(id, name);
    else if (hasID)
        folder = id;
    else
        return noInformationFolder;

    if (settings.chopCount && TrevaselCommon::isDigit(id))
        folder = getDividedFolderName(id) + QLatin1Char('/') + folder;
    return folder;
}

QString NamingRules::getPatientFolderBasic(const ExifEntity& record, const SettingsSnapshot& settings)
{
    QString id = replaceDirectoryName(record.patientID).value_or(QString());
    if (id.isEmpty())
        return noInformationFolder;
    if (settings.idNumberZeroPadding)
        id = (QStringLiteral("0000000000") + id).right(10);
    const QString name = replaceDirectoryName(record.patientName).value_or(QString());
    return name.isEmpty() ? id : QStringLiteral("%1 %2").arg(id, name);
}

std::optional<QString> NamingRules::getDaySubfolderName(const ExifEntity& record,
                                                        const QString& folderDateFormat)
{
    if (!record.dateTimeOriginal)
        return std::nullopt;
    const QDate date = QDate::fromString(record.dateTimeOriginal->left(10), QStringLiteral("yyyy:MM:dd"));
    if (!date.isValid())
        return std::nullopt;
    const QString day = date.toString(folderDateFormat);
    if (day.isEmpty())
        return std::nullopt;
    return day;
}

QString NamingRules::neutraliseRelativeFolder(const QString& folder)
{
    QStringList components = folder.split(QLatin1Char('/'));
    for (QString& component : components) {
        for (QChar& c : component)
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                c = QLatin1Char('_');
        if (component.isEmpty() || component == QLatin1String("."))
            component = QStringLiteral("_");
        else if (component == QLatin1String(".."))
            component = QStringLiteral("__");
    }
    return components.join(QLatin1Char('/'));
}

bool NamingRules::isShootingDate(const std::optional<QString>& text)
{
    return text && text->size() == 19 &&
           QDateTime::fromString(*text, QStringLiteral("yyyy:MM:dd HH:mm:ss")).isValid();
}

bool NamingRules::isSecondGeneration(const ExifEntity& record)
{
    return namingGeneration(record.extendedMakerNoteEntity) >= secondNamingGeneration;
}
