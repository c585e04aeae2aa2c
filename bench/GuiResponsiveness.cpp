// How responsive the window thread stays while a card batch runs: a 500-still card goes through the
// import service (copy mode, history and XML on) while a 10 ms timer ticks on the window thread and
// the progress window counts every picture. The last line is the largest gap between two ticks; it
// should stay below 50 ms.
//   bench_gui_responsiveness [STILLS [SIZE_BYTES]]   (defaults: 500 stills of 1 MB)
#include "app/PropertyList.h"
#include "app/SettingsKeys.h"
#include "app/TrevaselCommon.h"
#include "camerafiles/CameraFileWriter.h"
#include "history/HistoryDatabase.h"
#include "platform/fake/FakeFileEventStreamService.h"
#include "transfer/BaseWatchFolderOperator.h"
#include "transfer/ImportService.h"
#include "ui/ProgressWindowController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int stills = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 500;
    const qint64 size = argc > 2 ? QByteArray(argv[2]).toLongLong() : 1024 * 1024;

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/trevasel-responsiveness.XXXXXX"));
    const auto path = [&](const char* name) { return work.filePath(QString::fromLatin1(name)); };
    for (const char* folder : {"data", "volumes", "cards/CARD/DCIM/100ORVIS", "pictures", "program"})
        QDir().mkpath(path(folder));
    qputenv("XDG_DATA_HOME", path("data").toUtf8());
    TrevaselCommon::setEdition(Edition::Full);
    TrevaselCommon::writeUserSettingDictionary(
        {{QLatin1String(SettingsKey::destinationFolderPath), path("pictures")},
         {QLatin1String(SettingsKey::watchRemovableDiskDrive), true},
         {QLatin1String(SettingsKey::activateAvoidMultipleImportCheck), true},
         {QLatin1String(SettingsKey::exportXml), true},
         {QLatin1String(SettingsKey::dateFormatString), QStringLiteral("YYYY-MM-DD")}});
    const QString database = path("Trevasel.db");
    HistoryDatabase::createIfMissing(database);

    std::fprintf(stderr, "writing %d stills of %lld bytes ...\n", stills, static_cast<long long>(size));
    for (int i = 0; i < stills; ++i) {
        testsupport::CameraImage image =
            testsupport::defaultCameraImage(testsupport::MakerNoteLayout::Extended2);
        image.targetFileSize = size;
        image.dateTimeOriginal = image.dateTimeOriginal.addSecs(i);
        testsupport::writeCameraFile(path("cards/CARD/DCIM/100ORVIS") +
                                         QStringLiteral("/ORVS%1.JPG").arg(i, 5, 10, QLatin1Char('0')),
                                     image);
    }
    QFile(path("cards/CARD/ORV_SD")).open(QIODevice::WriteOnly);

    FakeFileEventStreamService streams;
    ImportService service({&streams, EventIdStore(path("ids.conf")),
                           [database] { return std::make_unique<BaseWatchFolderOperator>(database); },
                           Edition::Full, QStringList{path("volumes")}, path("program"),
                           std::chrono::milliseconds(0), std::chrono::milliseconds(0)});
    service.registerSources(SettingsSnapshot::read());

    auto* progress = new ProgressWindowController;
    progress->showWindow();
    QObject::connect(&service, &ImportService::batchStarted, progress, [progress](const ImportBatch& batch) {
        progress->setTotalCount(static_cast<qint32>(batch.pictures));
    });
    QObject::connect(&service, &ImportService::pictureArrived, progress,
                     [progress] { progress->updateProgress(); });

    QElapsedTimer clock;
    qint64 lastTick = -1;
    qint64 largestGap = 0;
    qint64 ticks = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (lastTick >= 0)
            largestGap = std::max(largestGap, now - lastTick);
        lastTick = now;
        ++ticks;
    });
    qint64 transferred = 0;
    QObject::connect(&service, &ImportService::batchEnded, [&](const ImportOutcome& outcome) {
        transferred = outcome.transferred;
        QApplication::quit();
    });

    // The card is put in: the stream reports the volumes folder, as a mount does.
    QDir().rename(path("cards/CARD"), path("volumes") + QStringLiteral("/CARD"));
    QTimer::singleShot(0, [&] {
        clock.start();
        ticker.start(10);
        streams.push(path("volumes"), {path("volumes")});
    });
    QApplication::exec();
    ticker.stop();
    const qint64 seconds = clock.elapsed();
    BaseWindowController::deleteAll();

    std::printf("pictures imported: %lld in %.2f s, %lld ticks of 10 ms\n",
                static_cast<long long>(transferred), static_cast<double>(seconds) / 1000.0,
                static_cast<long long>(ticks));
    std::printf("largest gap between ticks: %lld ms\n", static_cast<long long>(largestGap));
    return transferred == stills ? 0 : 1;
}
