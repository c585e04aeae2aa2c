#include "dicom/DicomOutbox.h"
#include "dicom/DicomSender.h"

#include "camerafiles/CameraFileWriter.h"
#include "history/DicomOutboxDao.h"
#include "history/HistoryDatabase.h"
#include "metadata/ExifOperator.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using testsupport::CameraImage;
using testsupport::MakerNoteLayout;

// A port on 127.0.0.1 that nobody listened on a moment ago.
quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0)
            ::close(fd);
        return 0;
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

bool listening(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool connected =
        fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return connected;
}

// DCMTK's storescp on 127.0.0.1, storing what it receives bit for bit into a folder, for as long as
// the object lives.
class StoreScp
{
public:
    StoreScp(const QString& folder, quint16 port, const QStringList& extra = {})
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("storescp"));
        if (program.isEmpty()) {
            ADD_FAILURE() << "storescp is not installed (scripts/install-deps.sh installs dcmtk)";
            return;
        }
        QDir().mkpath(folder);
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(program,
                        QStringList{QStringLiteral("-B"), QStringLiteral("+xa"), QStringLiteral("-aet"),
                                    QStringLiteral("STORESCP"), QStringLiteral("-od"), folder}
                            << extra << QString::number(port));
        QElapsedTimer waited;
        waited.start();
        while (m_process.state() != QProcess::NotRunning && !listening(port) && waited.elapsed() < 20000)
            QThread::msleep(20);
        EXPECT_TRUE(listening(port)) << "storescp does not listen on port " << port;
    }
    ~StoreScp()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QProcess m_process;
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A DICOM file's data set: what follows the preamble and the file meta information, which each side
// writes for itself.
QByteArray dataSet(const QByteArray& file)
{
    if (file.size() < 144 || file.mid(128, 4) != "DICM")
        return {};
    const auto byte = [&file](int at) { return quint32(quint8(file.at(at))); };
    const quint32 metaLength = byte(140) | byte(141) << 8 | byte(142) << 16 | byte(143) << 24;
    return file.mid(144 + qsizetype(metaLength));
}

struct CliRun
{
    int exitCode = -1;
    QString output;
};

CliRun runCli(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(TREVASEL_CLI), arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

class DicomSendTest : public ::testing::Test
{
protected:
    DicomPeer peerAt(quint16 port) const
    {
        return {QStringLiteral("127.0.0.1"), port, QStringLiteral("STORESCP"), QStringLiteral("TREVASEL")};
    }

    // Camera stills of one patient, a second apart, on a card.
    QStringList writeStills(int count)
    {
        QStringList stills;
        CameraImage image = testsupport::defaultCameraImage(MakerNoteLayout::Extended2);
        for (int i = 0; i < count; ++i) {
            const QString still = dir.filePath(
                QStringLiteral("card/DCIM/101ORVIS/ORVS%1.JPG").arg(i + 1, 4, 10, QLatin1Char('0')));
            EXPECT_TRUE(testsupport::writeCameraFile(still, image));
            image.dateTimeOriginal = image.dateTimeOriginal.addSecs(1);
            stills << still;
        }
        return stills;
    }

    QStringList files(const QString& folder, const QString& pattern) const
    {
        QStringList found;
        QDirIterator it(folder, {pattern}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        found.sort();
        return found;
    }

    // Every exported file has arrived at the server with the same data set, and nothing else has.
    void expectArrivedByteEqual(const QString& exported, const QString& received)
    {
        const QStringList sent = files(exported, QStringLiteral("*.dcm"));
        EXPECT_EQ(files(received, QStringLiteral("*")).size(), sent.size());
        for (const QString& file : sent) {
            const QString uid = QFileInfo(file).completeBaseName();
            const QStringList arrived = files(received, QStringLiteral("*.") + uid);
            ASSERT_EQ(arrived.size(), 1) << uid.toStdString();
            const QByteArray data = dataSet(contents(file));
            EXPECT_FALSE(data.isEmpty());
            EXPECT_EQ(dataSet(contents(arrived.first())), data) << uid.toStdString();
        }
    }

    QTemporaryDir dir;
};

TEST_F(DicomSendTest, TheEchoSaysWhetherTheServerAnswersOrRefuses)
{
    const quint16 port = freePort();
    ASSERT_NE(port, 0);
    EXPECT_EQ(DicomSender::echo(peerAt(port)).outcome, DicomSender::Outcome::NoConnection);
    EXPECT_EQ(DicomSender::echo({QString(), 104, QStringLiteral("A"), QStringLiteral("B")}).outcome,
              DicomSender::Outcome::NoConnection);
    {
        StoreScp server(dir.filePath(QStringLiteral("in")), port);
        const DicomSender::Answer answer = DicomSender::echo(peerAt(port));
        EXPECT_TRUE(answer.done()) << answer.detail.toStdString();
    }
    const quint16 refusing = freePort();
    StoreScp server(dir.filePath(QStringLiteral("in")), refusing, {QStringLiteral("--refuse")});
    EXPECT_EQ(DicomSender::echo(peerAt(refusing)).outcome, DicomSender::Outcome::AssociationRefused);
}

// A file that could not be written waits and is written at the next delivery; one whose still has
// gone, or that can never be made, leaves the queue with a reason in the log.
TEST_F(DicomSendTest, AFileThatCouldNotBeWrittenIsWrittenAtTheNextDelivery)
{
    const QString database = dir.filePath(QStringLiteral("Trevasel.db"));
    ASSERT_TRUE(HistoryDatabase::createIfMissing(database));
    const QStringList stills = writeStills(2);
    QFile blocker(dir.filePath(QStringLiteral("share")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    SettingsSnapshot down;
    down.dicomExport = true;
    down.dicomFolderPath = dir.filePath(QStringLiteral("share/dicom")); // below a file: cannot be made
    for (const QString& still : stills)
        DicomOutbox(database, down).stillArrived(still, *ExifOperator().getExifData(still));
    EXPECT_EQ(DicomOutboxDao(database).count(), 2);
    QFile::remove(stills.at(1));

    SettingsSnapshot up = down;
    up.dicomFolderPath = dir.filePath(QStringLiteral("dicom"));
    const DicomOutbox::Summary summary = DicomOutbox(database, up).deliverWaiting([] { return false; });
    EXPECT_EQ(summary.written, 1);
    EXPECT_EQ(summary.waiting, 0);
    EXPECT_EQ(files(up.dicomFolderPath, QStringLiteral("*.dcm")).size(), 1);
    EXPECT_EQ(DicomOutboxDao(database).count(), 0);
}

// The running engine: with "dicom send" on and the server down, the import goes on and the files
// wait; the next batch, even one with nothing to import, sends them, and they arrive byte-equal.
TEST_F(DicomSendTest, FilesWaitWhileTheServerIsDownAndArriveByteEqualAfterTheNextBatch)
{
    const QStringList stills = writeStills(3);
    const QString settings = dir.filePath(QStringLiteral("Trevasel-setting.plist"));
    const QString database = dir.filePath(QStringLiteral("Trevasel.db"));
    const QString exported = dir.filePath(QStringLiteral("dicom"));
    const QString received = dir.filePath(QStringLiteral("received"));
    const quint16 port = freePort();
    ASSERT_EQ(runCli({QStringLiteral("settings"), QStringLiteral("init"), settings}).exitCode, 0);
    const CliRun set = runCli(
        {QStringLiteral("settings"), QStringLiteral("set"), settings,
         QStringLiteral("destination folder path"), dir.filePath(QStringLiteral("store")),
         QStringLiteral("delete original image"), QStringLiteral("false"), QStringLiteral("dicom export"),
         QStringLiteral("true"), QStringLiteral("dicom folder path"), exported, QStringLiteral("dicom send"),
         QStringLiteral("true"), QStringLiteral("dicom peer host"), QStringLiteral("127.0.0.1"),
         QStringLiteral("dicom peer port"), QString::number(port), QStringLiteral("dicom called ae title"),
         QStringLiteral("STORESCP")});
    ASSERT_EQ(set.exitCode, 0) << set.output.toStdString();
    const QStringList import{QStringLiteral("import"), QStringLiteral("--settings"), settings,
                             QStringLiteral("--database"), database};

    const CliRun down = runCli(import + QStringList{dir.filePath(QStringLiteral("card"))});
    EXPECT_EQ(down.exitCode, 0) << down.output.toStdString();
    EXPECT_TRUE(down.output.contains(QStringLiteral("cannot be reached"))) << down.output.toStdString();
    EXPECT_EQ(files(dir.filePath(QStringLiteral("store")), QStringLiteral("*.JPG")).size(), 3);
    EXPECT_EQ(files(exported, QStringLiteral("*.dcm")).size(), 3);
    EXPECT_EQ(DicomOutboxDao(database).count(), 3);

    StoreScp server(received, port);
    const QString empty = dir.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    const CliRun up = runCli(import + QStringList{empty});
    EXPECT_EQ(up.exitCode, 0) << up.output.toStdString();
    EXPECT_EQ(up.output.count(QStringLiteral("DICOM file sent to 127.0.0.1:%1").arg(port)), 3)
        << up.output.toStdString();
    EXPECT_EQ(DicomOutboxDao(database).count(), 0);
    expectArrivedByteEqual(exported, received);

    // trevasel-cli dicom --send sends a backlog the same way; the server keeps one copy per UID.
    const CliRun backlog = runCli({QStringLiteral("dicom"), QStringLiteral("--settings"), settings,
                                   QStringLiteral("--send"), stills.at(0)});
    EXPECT_EQ(backlog.exitCode, 0) << backlog.output.toStdString();
    EXPECT_TRUE(backlog.output.contains(QStringLiteral(", sent to 127.0.0.1:")))
        << backlog.output.toStdString();
    expectArrivedByteEqual(exported, received);
}

} // namespace
