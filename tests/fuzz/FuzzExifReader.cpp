// libFuzzer target: the camera metadata readers of both editions on arbitrary bytes.
#include "metadata/BasicExifOperator.h"
#include "metadata/ExifOperator.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // Both path forms the dispatch distinguishes; a ".MIF" path has no movie beside it here, so
    // its fourth-generation read stops at the movie test, as it would on a card.
    auto still = ImageBytes::fromData(input);
    const auto record = ExifOperator::getExifData(still, QStringLiteral("fuzz.JPG"));
    if (record && record->extendedMakerNoteEntity) {
        // Touch every field so a malformed text would surface here.
        qsizetype total = 0;
        record->extendedMakerNoteEntity->forEachField(
            [&total](const QString&, const std::optional<QString>& value) {
                total += value ? value->size() : 0;
            });
        (void)total;
    }

    auto version = ImageBytes::fromData(input);
    (void)ExifOperator::getUserTagVersion(version);

    auto basic = ImageBytes::fromData(input);
    (void)BasicExifOperator::readImageFile(basic);
    return 0;
}
