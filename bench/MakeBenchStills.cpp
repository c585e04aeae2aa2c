// Writes N camera stills of a given size for the side-by-side timing scripts, cycling through the
// three maker-note generations and a handful of patients.
//   make-bench-stills DIR COUNT [SIZE_BYTES [PATIENTS [FIRST_NUMBER]]]
#include "camerafiles/CameraFileWriter.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc < 3) {
        std::fputs("usage: make-bench-stills DIR COUNT [SIZE_BYTES [PATIENTS [FIRST_NUMBER]]]\n", stderr);
        return 64;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const int count = QByteArray(argv[2]).toInt();
    const qint64 size = argc > 3 ? QByteArray(argv[3]).toLongLong() : 3 * 1024 * 1024;
    const int patients = argc > 4 ? std::max(1, QByteArray(argv[4]).toInt()) : 17;
    const int first = argc > 5 ? QByteArray(argv[5]).toInt() : 0;
    if (!dir.mkpath(QStringLiteral(".")) || count <= 0) {
        std::fprintf(stderr, "make-bench-stills: cannot write %d stills into %s\n", count, argv[1]);
        return 1;
    }
    const testsupport::MakerNoteLayout layouts[] = {testsupport::MakerNoteLayout::Legacy,
                                                    testsupport::MakerNoteLayout::Extended,
                                                    testsupport::MakerNoteLayout::Extended2};
    for (int i = first; i < first + count; ++i) {
        testsupport::CameraImage image = testsupport::defaultCameraImage(layouts[i % 3]);
        image.targetFileSize = size;
        image.setPatient({.id = QStringLiteral("%1").arg(1000 + i % patients, 10, 10, QLatin1Char('0')),
                          .alphabeticName = QStringLiteral("PATIENT^NUMBER%1^").arg(i % patients),
                          .displayName = QStringLiteral("PATIENT NUMBER%1").arg(i % patients)});
        image.dateTimeOriginal = image.dateTimeOriginal.addSecs(i);
        const QString path = dir.filePath(QStringLiteral("ORVS%1.JPG").arg(i, 5, 10, QLatin1Char('0')));
        if (!testsupport::writeCameraFile(path, image)) {
            std::fprintf(stderr, "make-bench-stills: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
