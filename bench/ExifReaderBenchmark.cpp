// Time of one metadata read of a 3 MB still of each maker-note generation, from a file on disk.
#include "camerafiles/CameraFileWriter.h"
#include "metadata/ExifOperator.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void readStill(benchmark::State& state, testsupport::MakerNoteLayout layout)
{
    QTemporaryDir dir;
    testsupport::CameraImage image = testsupport::defaultCameraImage(layout);
    image.targetFileSize = 3 * 1024 * 1024;
    const QString path = dir.filePath(QStringLiteral("ORVS0001.JPG"));
    if (!testsupport::writeCameraFile(path, image)) {
        state.SkipWithError("cannot write the still");
        return;
    }
    const ExifOperator reader;
    for (auto _ : state) {
        auto record = reader.getExifData(path);
        if (!record) {
            state.SkipWithError("no record");
            return;
        }
        benchmark::DoNotOptimize(record);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK_CAPTURE(readStill, legacy_below_2_1, testsupport::MakerNoteLayout::Legacy);
BENCHMARK_CAPTURE(readStill, extended_2_1_to_3, testsupport::MakerNoteLayout::Extended);
BENCHMARK_CAPTURE(readStill, extended_4_and_above, testsupport::MakerNoteLayout::Extended2);

BENCHMARK_MAIN();
