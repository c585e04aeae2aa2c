// Writes the seed corpus of the metadata fuzzer: the writer's stills and movie index files of every
// maker-note layout, plus a few damaged ones.
#include "camerafiles/CameraFileWriter.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

using testsupport::CameraImage;
using testsupport::MakerNoteLayout;

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: make-fuzz-seeds DIR\n", stderr);
        return 64;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    int written = 0;
    int number = 0;
    const auto put = [&](const CameraImage& image) {
        // Keep the seeds small: the fuzzer mutates faster on short inputs.
        const QByteArray bytes = testsupport::buildCameraFile(image);
        QFile file(dir.filePath(QStringLiteral("seed-%1").arg(++number, 3, 10, QLatin1Char('0'))));
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
            ++written;
    };
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make-fuzz-seeds: cannot create %s\n", argv[1]);
        return 1;
    }
    for (const auto layout :
         {MakerNoteLayout::Legacy, MakerNoteLayout::Extended, MakerNoteLayout::Extended2}) {
        for (const auto kind : {testsupport::FileKind::Still, testsupport::FileKind::MovieIndex}) {
            CameraImage image = testsupport::defaultCameraImage(layout, kind);
            put(image);
            image.patientNameOrder = 0xff;
            image.totalCount = QStringLiteral("012C");
            put(image);
            CameraImage cut = testsupport::defaultCameraImage(layout, kind);
            cut.truncateAt = 600;
            put(cut);
            CameraImage early = testsupport::defaultCameraImage(layout, kind);
            early.earlyEntries << testsupport::EarlyEntry{0x927C, QByteArray(64, '\x01')};
            put(early);
        }
    }
    std::printf("%d seeds in %s\n", written, argv[1]);
    return written == number ? 0 : 1;
}
