// trevasel-screenshots [FOLDER]: grabs the windows offscreen, in English and Japanese, as PNG files
// named "<ClassName>-<language>.png" in FOLDER (default "docs/screenshots"). The settings windows
// show sample settings written to a temporary home, never the user's own.

#include "app/PropertyList.h"
#include "app/SettingsKeys.h"
#include "app/TrevaselCommon.h"
#include "ui/AlertWindowController.h"
#include "ui/ConfigWindowController.h"
#include "ui/CopyResultWindowController.h"
#include "ui/DetailConfigWindowController.h"
#include "ui/DialogService.h"
#include "ui/DuplicateWindowController.h"
#include "ui/FailureText.h"
#include "ui/HelpWindowController.h"
#include "ui/InformationCheckWindowController.h"
#include "ui/NGFileCheckResultWindowController.h"
#include "ui/ProgressWindowController.h"
#include "ui/SDCopyConfirmWindowController.h"
#include "ui/Strings.h"
#include "ui/UpdateCheckWindowController.h"
#include "ui/VersionInformationWindowController.h"
#include "ui/WorkspaceOpener.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFont>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace {

bool grab(BaseWindowController* controller, const QString& folder, const QString& name,
          int settleMilliseconds = 0)
{
    controller->showWindow();
    QApplication::processEvents();
    if (settleMilliseconds > 0) {
        // The PDF view renders its pages in the background.
        QEventLoop loop;
        QTimer::singleShot(settleMilliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool saved = controller->window()->grab().save(path);
    QTextStream(stdout) << (saved ? "wrote " : "could not write ") << path << '\n';
    controller->close();
    return saved;
}

// A practice's settings: cards asked for, a watch folder, movies apart, a folder per day. On a first
// start, the defaults alone.
void writeSampleSettings(Edition edition, bool firstStart = false)
{
    TrevaselCommon::setEdition(edition);
    QVariantMap settings =
        PropertyList::fromData(TrevaselCommon::getDefaultUserSettingData()).value_or(QVariantMap());
    const auto set = [&](const char* key, const QVariant& value) {
        settings.insert(QString::fromLatin1(key), value);
    };
    if (firstStart) {
        TrevaselCommon::writeUserSettingDictionary(settings);
        return;
    }
    set(SettingsKey::watchFolder, true);
    set(SettingsKey::watchFolderPath, QStringLiteral("/home/staff/Scans/Orthavisio"));
    set(SettingsKey::destinationFolderPath, QStringLiteral("/srv/practice/Pictures"));
    set(SettingsKey::saveDaySubfolder, true);
    set(SettingsKey::dateFormat, 1);
    set(SettingsKey::dateFormatString, QStringLiteral("YYYY-MM-DD"));
    if (edition == Edition::Full) {
        set(SettingsKey::destinationFolderMov, true);
        set(SettingsKey::destinationFolderPathMov, QStringLiteral("/srv/practice/Movies"));
        set(SettingsKey::zeroPadding, true);
    }
    TrevaselCommon::writeUserSettingDictionary(settings);
}

// The detail window with its DICOM section filled in and the connection test answered as given (at
// once, by a stand-in for the network).
DetailConfigWindowController* dicomWindow(const DetailConfigWindowController::PeerTestAnswer& answer)
{
    auto* window = new DetailConfigWindowController;
    window->setInitialValues({
        {QString::fromLatin1(SettingsKey::dicomExport), true},
        {QString::fromLatin1(SettingsKey::dicomFolderPath), QStringLiteral("/srv/practice/DICOM")},
        {QString::fromLatin1(SettingsKey::dicomSend), true},
        {QString::fromLatin1(SettingsKey::dicomPeerHost), QStringLiteral("pacs.practice.local")},
        {QString::fromLatin1(SettingsKey::dicomPeerPort), 11112},
        {QString::fromLatin1(SettingsKey::dicomCalledAeTitle), QStringLiteral("PRACTICE-PACS")},
        {QString::fromLatin1(SettingsKey::dicomCallingAeTitle), QStringLiteral("TREVASEL-CHAIR1")},
    });
    window->setPeerTest([answer](const DicomPeer&) { return answer; });
    window->showWindow();
    auto* test = window->window()->findChild<QPushButton*>(QStringLiteral("dicomTestButton"));
    test->click();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (test->isEnabled())
            loop.quit();
    });
    poll.start(10);
    loop.exec();
    return window;
}

UpdateCheckResult newerVersion()
{
    UpdateCheckResult result;
    result.newer = true;
    result.name = QStringLiteral("Trevasel 1.1");
    result.date = TrevaselCommon::edition() == Edition::Basic ? QStringLiteral("(2026/04/01)")
                                                              : QStringLiteral("(2026-04-01)");
    result.version = QStringLiteral("1.10");
    result.url = QStringLiteral("https://updates.trevasel.example/orthavisio/download.html");
    return result;
}

InformationCheckResult notice()
{
    InformationCheckResult result;
    result.found = true;
    result.id = 12;
    result.japaneseTitle = QStringLiteral("年末年始のサポート休業のお知らせ");
    result.japaneseText = QStringLiteral("12月29日から1月3日まで、サポート窓口を休業いたします。<br>"
                                         "休業中のお問い合わせは、1月4日以降に順次お答えします。");
    result.japaneseUrl = QStringLiteral("https://updates.trevasel.example/orthavisio/news-ja.html");
    result.englishTitle = QStringLiteral("Support closed over the New Year holidays");
    result.englishText = QStringLiteral("Our support desk is closed from 29 December to 3 January.<br>"
                                        "Questions sent during that time are answered from 4 January.");
    result.englishUrl = QStringLiteral("https://updates.trevasel.example/orthavisio/news-en.html");
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(folder);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    writeSampleSettings(Edition::Basic);
    writeSampleSettings(Edition::Full);
    DialogService::setAnswering(true);
    DuplicateWindowController::setQuitHandler({});
    const QFont latinFont = QApplication::font();

    bool ok = true;
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("ja")}) {
        Strings::setLanguage(language);
        // The Japanese windows use the Japanese face of Noto, so kana and kanji are not drawn in a
        // Chinese fallback.
        QFont font = latinFont;
        if (language == QLatin1String("ja"))
            font.setFamilies({QStringLiteral("Noto Sans CJK JP"), latinFont.family()});
        QApplication::setFont(font);
        const auto file = [&](const char* className) {
            return QStringLiteral("%1-%2").arg(className, language);
        };

        TrevaselCommon::setEdition(Edition::Full);
        ok &= grab(new ConfigWindowController, folder, file("ConfigWindowController"));
        writeSampleSettings(Edition::Full, true);
        auto* welcome = new ConfigWindowController;
        welcome->showWelcome();
        ok &= grab(welcome, folder, file("ConfigWindowController-welcome"));
        writeSampleSettings(Edition::Full);
        ok &= grab(new DetailConfigWindowController, folder, file("DetailConfigWindowController"));
        auto* allItems = new DetailConfigWindowController;
        allItems->setShowAllItems(true);
        ok &= grab(allItems, folder, QStringLiteral("DetailConfigWindowController-all-%1").arg(language));
        using Outcome = DetailConfigWindowController::PeerTestAnswer::Outcome;
        ok &= grab(dicomWindow({Outcome::Answered, QString()}), folder,
                   QStringLiteral("DetailConfigWindowController-dicom-%1").arg(language));
        ok &= grab(dicomWindow({Outcome::AssociationRefused,
                                QStringLiteral("Association Rejected: called AE title not recognized")}),
                   folder, QStringLiteral("DetailConfigWindowController-dicom-refused-%1").arg(language));

        auto* confirm = new SDCopyConfirmWindowController;
        confirm->setSummary(
            48, 2,
            {QStringLiteral("0000012345 SATO HANAKO"), QStringLiteral("0000023456 JOHN A SMITH"),
             QStringLiteral("0000034567 山田 太郎"), QStringLiteral("0000045678 MARIA GARCIA"),
             QStringLiteral("0000056789 鈴木 一郎"), QStringLiteral("0000067890 LEE MIN")});
        ok &= grab(confirm, folder, file("SDCopyConfirmWindowController"));

        auto* progress = new ProgressWindowController;
        progress->setTotalCount(48);
        progress->setTotalBytes(48LL * 3 * 1024 * 1024);
        progress->showWindow();
        {
            // The time left shows once a few seconds of rate are known.
            QEventLoop loop;
            QTimer::singleShot(3100, &loop, &QEventLoop::quit);
            loop.exec();
        }
        progress->showProgress(17, 17LL * 3 * 1024 * 1024, QStringLiteral("0000023456 JOHN A SMITH"));
        ok &= grab(progress, folder, file("ProgressWindowController"));

        auto* result = new CopyResultWindowController;
        result->setFileCount(12);
        CopyResultWindowController::Details details;
        details.alreadyImported = 3;
        details.patientInformation = 1;
        details.patientInformationRemoved = 1;
        details.pictureFolder = QStringLiteral("/srv/practice/Pictures");
        result->setDetails(details);
        ok &= grab(result, folder, file("CopyResultWindowController"));
        auto* stopped = new CopyResultWindowController;
        stopped->setFileCount(17);
        CopyResultWindowController::Details stop;
        stop.stopped = true;
        stop.pictureFolder = QStringLiteral("/srv/practice/Pictures");
        stopped->setDetails(stop);
        ok &= grab(stopped, folder, QStringLiteral("CopyResultWindowController-stopped-%1").arg(language));
        auto* pulled = new CopyResultWindowController;
        pulled->setFileCount(81);
        pulled->setCardRemoved(219);
        ok &=
            grab(pulled, folder, QStringLiteral("CopyResultWindowController-card-removed-%1").arg(language));

        auto* alert = new AlertWindowController;
        const QString reason =
            QStringLiteral("Cannot copy \u201c/srv/practice/Pictures/0000023456 JOHN A SMITH/"
                           "2024-05-14 093005_Srg.JPG\u201d: No space left on device");
        alert->setMessage(Strings::text(QStringLiteral("ApplicationMessage27"))
                              .arg(FailureText::plainWords(reason, true, 17)));
        alert->setDetails(reason);
        alert->showWindow();
        if (auto* toggle = alert->window()->findChild<QPushButton*>(QStringLiteral("detailsButton")))
            toggle->setChecked(true);
        ok &= grab(alert, folder, file("AlertWindowController"));
        auto* unreadable = new AlertWindowController;
        unreadable->setMessage(Strings::text(QStringLiteral("ApplicationMessage_SettingsUnreadable"))
                                   .arg(QStringLiteral("/home/staff/.local/share/TrevaselForPravena/"
                                                       "Trevasel-setting.plist.unreadable-20261209091500")));
        unreadable->setShowConfigWindowFlag(true);
        ok &= grab(unreadable, folder,
                   QStringLiteral("AlertWindowController-settings-unreadable-%1").arg(language));
        ok &= grab(WorkspaceOpener::makeNotOpenedAlert(WorkspaceOpener::Target::Folder,
                                                       QStringLiteral("/srv/practice/Pictures")),
                   folder, QStringLiteral("AlertWindowController-folder-not-opened-%1").arg(language));

        ok &= grab(new DuplicateWindowController, folder, file("DuplicateWindowController"));

        auto* rejected = new NGFileCheckResultWindowController;
        rejected->setMedicalRecordNumber(QStringLiteral("0000012345"));
        ok &= grab(rejected, folder, file("NGFileCheckResultWindowController"));

        auto* update = new UpdateCheckWindowController;
        update->setResult(newerVersion());
        ok &= grab(update, folder, file("UpdateCheckWindowController"));

        auto* noUpdate = new UpdateCheckWindowController;
        UpdateCheckResult failed;
        failed.failed = true;
        noUpdate->setResult(failed);
        ok &= grab(noUpdate, folder, file("UpdateCheckWindowController-failed"));

        auto* information = new InformationCheckWindowController;
        information->setResult(notice());
        ok &= grab(information, folder, file("InformationCheckWindowController"));

        ok &=
            grab(new VersionInformationWindowController, folder, file("VersionInformationWindowController"));
        ok &= grab(new HelpWindowController, folder, file("HelpWindowController"), 1500);

        TrevaselCommon::setEdition(Edition::Basic);
        ok &= grab(new ConfigWindowController, folder,
                   QStringLiteral("ConfigWindowController-basic-%1").arg(language));
        ok &= grab(new DetailConfigWindowController, folder,
                   QStringLiteral("DetailConfigWindowController-basic-%1").arg(language));
        auto* basicUpdate = new UpdateCheckWindowController;
        basicUpdate->setResult(newerVersion());
        ok &= grab(basicUpdate, folder, QStringLiteral("UpdateCheckWindowController-basic-%1").arg(language));
        ok &= grab(new VersionInformationWindowController, folder,
                   QStringLiteral("VersionInformationWindowController-basic-%1").arg(language));

        auto* basicResult = new CopyResultWindowController;
        basicResult->setFileCount(12);
        ok &= grab(basicResult, folder, QStringLiteral("CopyResultWindowController-basic-%1").arg(language));
    }
    return ok ? 0 : 1;
}
