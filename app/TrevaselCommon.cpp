#include "app/TrevaselCommon.h"

#include "app/PropertyList.h"
#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "platform/Logger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>

namespace {

std::atomic<Edition> g_edition{Edition::Full};
// The settings file that the command line named instead of the edition's own; set before any
// thread but the main one runs.
QString g_settingFilePath;

const QString kSettingFileName = QStringLiteral("Trevasel-setting.plist");
const QString kDatabaseFileName = QStringLiteral("Trevasel.db");
const QString kDatabaseDatetimeFormat = QStringLiteral("yyyyMMddHHmmss");

// Joined as "folder/name". An unknown folder gives no path rather than one below "/".
QString joined(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return {};
    return QStringLiteral("%1/%2").arg(folder, name);
}

QString lastLocation(QStandardPaths::StandardLocation location)
{
    const QStringList found = QStandardPaths::standardLocations(location);
    return found.isEmpty() ? QString() : found.last();
}

QString editionFolderName()
{
    return TrevaselCommon::edition() == Edition::Full ? QStringLiteral("TrevaselForPravena")
                                                      : QStringLiteral("Trevasel");
}

bool isFullEdition()
{
    return TrevaselCommon::edition() == Edition::Full;
}

} // namespace

void TrevaselCommon::setEdition(Edition edition)
{
    g_edition.store(edition);
}

Edition TrevaselCommon::edition()
{
    return g_edition.load();
}

QString TrevaselCommon::getApplicationDataDirectory()
{
    const QString path =
        joined(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), editionFolderName());
    if (!path.isEmpty() && !QFileInfo::exists(path))
        QDir().mkpath(path); // failure is not reported: later reads then find no settings file
    return path;
}

QString TrevaselCommon::getApplicationWorkDirectory()
{
    return joined(QStandardPaths::writableLocation(QStandardPaths::HomeLocation),
                  QLatin1Char('.') + editionFolderName());
}

QString TrevaselCommon::getPicturesDirectory()
{
    return lastLocation(QStandardPaths::PicturesLocation);
}

QString TrevaselCommon::getMoviesDirectory()
{
    return lastLocation(QStandardPaths::MoviesLocation);
}

void TrevaselCommon::setUserSettingPlistFilePath(const QString& path)
{
    g_settingFilePath = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

QString TrevaselCommon::getUserSettingPlistFilePath()
{
    if (!g_settingFilePath.isEmpty())
        return g_settingFilePath;
    return joined(isFullEdition() ? getApplicationDataDirectory() : getApplicationWorkDirectory(),
                  kSettingFileName);
}

QString TrevaselCommon::getOldUserSettingPlistFilePath()
{
    return isFullEdition() ? joined(getApplicationWorkDirectory(), kSettingFileName) : QString();
}

QString TrevaselCommon::getDBFilePath()
{
    return isFullEdition() ? joined(getApplicationDataDirectory(), kDatabaseFileName) : QString();
}

QString TrevaselCommon::getTransferringMarkerFolder()
{
    static const QString folder = [] {
        const QString beside = QCoreApplication::applicationDirPath();
        QString chosen = beside;
        if (!QFileInfo(beside).isWritable()) {
            const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
            chosen = runtime.isEmpty() ? QString() : joined(runtime, QStringLiteral("TrevaselForPravena"));
            if (!chosen.isEmpty())
                QDir().mkpath(chosen);
        }
        Logger::info(QStringLiteral("the transferring marker goes into %1").arg(chosen));
        return chosen;
    }();
    return folder;
}

QString TrevaselCommon::getVersionNubmer()
{
    return QStringLiteral(TREVASEL_VERSION);
}

QString TrevaselCommon::getBuildNumber()
{
    return QStringLiteral(TREVASEL_BUILD_NUMBER);
}

QString TrevaselCommon::getDefaultImageDestinationDirectory()
{
    return joined(getPicturesDirectory(), QStringLiteral("TrevaselD"));
}

QString TrevaselCommon::getDefaultMovieDestinationDirectory()
{
    return joined(getMoviesDirectory(), QStringLiteral("TrevaselMovieD"));
}

QString TrevaselCommon::getDefaultDestinationDirectory()
{
    return joined(getPicturesDirectory(), QStringLiteral("Trevasel"));
}

QString TrevaselCommon::getDefaultUserSettingResourcePath()
{
    return isFullEdition() ? QStringLiteral(":/full/Trevasel-setting.plist")
                           : QStringLiteral(":/basic/Trevasel-setting.plist");
}

QByteArray TrevaselCommon::getDefaultUserSettingData()
{
    QFile resource(getDefaultUserSettingResourcePath());
    if (!resource.open(QIODevice::ReadOnly))
        return {};
    return resource.readAll();
}

QVariantMap TrevaselCommon::getUserSettingDictionary()
{
    return readUserSettingDictionary().value_or(QVariantMap());
}

std::optional<QVariantMap> TrevaselCommon::readUserSettingDictionary()
{
    const QString path = getUserSettingPlistFilePath();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return QVariantMap();
    return PropertyList::readFile(path);
}

QString TrevaselCommon::keepUnreadableUserSettingFile()
{
    const QString path = getUserSettingPlistFilePath();
    const QString kept = path + QStringLiteral(".unreadable-") + getNowDatabaseDatetime();
    // A file kept earlier in the same second is not replaced.
    if (QFile::exists(kept) || !QFile::rename(path, kept))
        return {};
    return kept;
}

bool TrevaselCommon::writeUserSettingDictionary(const QVariantMap& settings)
{
    const QString path = getUserSettingPlistFilePath();
    if (path.isEmpty())
        return false;
    // The basic edition's work folder exists only once start-up has put the default file there.
    QDir().mkpath(QFileInfo(path).path());
    return PropertyList::writeFile(path, settings);
}

bool TrevaselCommon::isFirstStart(const QVariantMap& settings)
{
    return SettingsValue::intValue(settings, QString::fromLatin1(SettingsKey::lastBuildNumber)) < 1;
}

QString TrevaselCommon::getNowDatabaseDatetime()
{
    return QDateTime::currentDateTime().toString(kDatabaseDatetimeFormat);
}

std::optional<QDateTime> TrevaselCommon::stringToDate(const QString& text)
{
    // Qt's parser is strict: the text must be exactly the 14 digits, and a local time that does not
    // exist (a day of 30 February, an hour skipped by daylight saving) is invalid.
    const QDateTime date = QDateTime::fromString(text, kDatabaseDatetimeFormat);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString TrevaselCommon::dateToString(const QDateTime& date)
{
    if (!date.isValid())
        return {};
    return date.toLocalTime().toString(kDatabaseDatetimeFormat);
}

bool TrevaselCommon::isDigit(const QString& text)
{
    return !text.isEmpty() &&
           std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}
