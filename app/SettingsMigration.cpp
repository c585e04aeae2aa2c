#include "app/SettingsMigration.h"

#include "app/SettingsKeys.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"
#include "app/WebSite.h"
#include "platform/Logger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <initializer_list>
#include <utility>

namespace {

using Entries = std::initializer_list<std::pair<const char*, QVariant>>;

// Adds the absent keys to the working copy and writes the whole copy back.
void addAbsentAndWrite(QVariantMap& working, Entries entries)
{
    for (const auto& [key, value] : entries) {
        const QString name = QString::fromLatin1(key);
        if (!working.contains(name))
            working.insert(name, value);
    }
    TrevaselCommon::writeUserSettingDictionary(working);
}

// Integers are stored as plist integers, the YES/NO values as plist booleans.
QVariant integer(qint64 value)
{
    return QVariant(value);
}

void makeDeliverFolder(const QString& destination)
{
    // A relative or empty destination would make "deliver" in whatever folder the program runs in.
    if (destination.isEmpty() || QFileInfo(destination).isRelative())
        return;
    QDir(destination).mkdir(QStringLiteral("deliver")); // no parents; an existing folder is left alone
}

} // namespace

void SettingsMigration::doUpdate(const QVariantMap& settings, const std::function<void()>& addHistoryColumns)
{
    namespace Key = SettingsKey;
    const int build = SettingsValue::intValue(settings, QString::fromLatin1(Key::lastBuildNumber));
    QVariantMap working = settings;

    if (build == kProductPageBuild)
        addAbsentAndWrite(working, {{Key::manualVersionCheckSite, WebSite::url(WebSite::productPagePath)}});

    if (build < kLayoutSwitchesBuild)
        addAbsentAndWrite(working,
                          {{Key::exportXml, false},
                           {Key::zeroPadding, true},
                           {Key::zeroPaddingLength, integer(6)},
                           {Key::zeroPaddingLengthString, integer(10)},
                           {Key::chopCameraSerialNumber, false},
                           {Key::chopCount, false},
                           {Key::dontAddPatientName, false},
                           {Key::dontSendMif, false},
                           {Key::informationCheckSite, WebSite::url(WebSite::japaneseInformationListPath)},
                           {Key::checkedInformationId, integer(0)}});

    if (build < kEnglishInformationBuild)
        addAbsentAndWrite(
            working, {{Key::informationCheckSiteEnglish, WebSite::url(WebSite::englishInformationListPath)}});

    // The file moved from the work folder to the data folder; a file already there is kept, and
    // the working copy stays what it is.
    if (build < kSettingsMovedBuild)
        QFile::rename(TrevaselCommon::getOldUserSettingPlistFilePath(),
                      TrevaselCommon::getUserSettingPlistFilePath());

    if (build < kDeliverBuild) {
        addAbsentAndWrite(working, {{Key::deleteOriginalImage, integer(1)},
                                    {Key::dontSendPatientInformationImage, integer(1)},
                                    {Key::saveDaySubfolder, integer(0)},
                                    {Key::zeroPadding, integer(0)},
                                    {Key::chopCameraSerialNumber, integer(0)},
                                    {Key::chopCount, integer(0)},
                                    {Key::dontAddPatientName, integer(1)},
                                    {Key::exportXml, integer(1)}});
        makeDeliverFolder(
            SettingsValue::stringValue(working, QString::fromLatin1(Key::destinationFolderPath)));
    }

    if (build < kEjectAndWaitBuild)
        addAbsentAndWrite(working, {{Key::ejectRemovableDevice, integer(0)},
                                    {Key::theWaitSecondsForCheckingDesignatedFolder, integer(60)}});

    if (build < kMovieBuild) {
        if (addHistoryColumns)
            addHistoryColumns();
        Logger::info(QStringLiteral("### version up ### Alter table that check for duplicate."));
        Logger::info(QStringLiteral("### version up ### Add column original_file_name."));
        Logger::info(QStringLiteral("### version up ### Add column transferred_folder."));
        addAbsentAndWrite(working, {{Key::dontSendMif, integer(1)},
                                    {Key::destinationFolderPathMov, QStringLiteral("")},
                                    {Key::destinationFolderMov, integer(0)}});
        Logger::info(QStringLiteral("### version up ### Add settings to Trevasel-setting.plit file."));
        Logger::info(QStringLiteral("### version up ### Add 'dont send mif' setting."));
        Logger::info(QStringLiteral("### version up ### Add 'destination folder path mov' setting."));
        Logger::info(QStringLiteral("### version up ### Add 'destination folder mov' setting."));
    }

    // Copies are read back before a source may go; a file from before that gets the switch on.
    if (build < kVerifyCopiesBuild) {
        addAbsentAndWrite(working, {{Key::verifyCopies, true}});
        Logger::info(QStringLiteral("### version up ### Add 'verify copies' setting."));
        addAbsentAndWrite(working, {{Key::dicomExport, false},
                                    {Key::dicomFolderPath, QStringLiteral("")},
                                    {Key::dicomSend, false},
                                    {Key::dicomPeerHost, QStringLiteral("")},
                                    {Key::dicomPeerPort, integer(104)},
                                    {Key::dicomCalledAeTitle, QStringLiteral("ANY-SCP")},
                                    {Key::dicomCallingAeTitle, QStringLiteral("TREVASEL")}});
        Logger::info(QStringLiteral("### version up ### Add 'dicom export' settings."));
    }
}
