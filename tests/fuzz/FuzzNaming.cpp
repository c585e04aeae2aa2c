// libFuzzer target: the patient folders and file names that the transfer job builds, from records
// read off fuzzed files and from records whose fields are the fuzzed bytes themselves. Aborts when
// a path would leave its destination root or a file name is not one clean component.
#include "metadata/ExifOperator.h"
#include "transfer/BaseWatchFolderOperator.h"
#include "transfer/CopyFailedException.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const QString root = QStringLiteral("/srv/pictures");
const QString movieRoot = QStringLiteral("/srv/movies");

bool inside(const QString& path, const QString& folder)
{
    return QDir::cleanPath(path).startsWith(folder + QLatin1Char('/'));
}

bool cleanComponent(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

void check(const ExifEntity& record, std::uint8_t switches, const QString& dayPattern)
{
    SettingsSnapshot settings;
    settings.destinationFolderPath = root;
    settings.destinationFolderPathMov = movieRoot;
    settings.destinationFolderMov = switches & 1;
    settings.zeroPadding = switches & 2;
    settings.zeroPaddingLength = (switches >> 4) % 12;
    settings.chopCount = switches & 4;
    settings.dontAddPatientName = switches & 8;
    settings.saveDaySubfolder = switches & 64;
    settings.chopCameraSerialNumber = switches & 128;
    settings.folderDateFormat = dayPattern;
    for (const bool movie : {false, true}) {
        std::optional<TransferEntry> entry;
        try {
            entry = BaseWatchFolderOperator::entryFor(QStringLiteral("/card/DCIM/x.JPG"), movie, record,
                                                      settings);
        } catch (const CopyFailedException&) {
            std::abort(); // the roots above are usable: nothing in a picture may fail the batch here
        }
        if (!entry)
            continue;
        const QString& folderRoot = movie && settings.destinationFolderMov ? movieRoot : root;
        if (!inside(entry->destination + QStringLiteral("/x"), folderRoot))
            std::abort();
        for (const int index : {0, 2}) {
            const QString name =
                NamingRules::isSecondGeneration(record)
                    ? NamingRules::getNewImageFileName2(record, index, QStringLiteral(".MIF"))
                    : NamingRules::getNewImageFileName(record, index, QStringLiteral(".JPG"));
            if (!cleanComponent(name) || !inside(entry->destination + QLatin1Char('/') + name, folderRoot))
                std::abort();
        }
        if (!inside(root + QStringLiteral("/deliver/") + entry->folder + QStringLiteral(".BIX"), root))
            std::abort();
    }
}

// The fuzzed bytes cut at zero bytes, as the fields of a record.
ExifEntity recordFromFields(const QByteArray& input)
{
    const QList<QByteArray> parts = input.split('\0');
    const auto field = [&](int i) -> std::optional<QString> {
        if (i >= parts.size())
            return std::nullopt;
        return QString::fromUtf8(parts.at(i));
    };
    ExifEntity record;
    record.patientID = field(1);
    record.patientName = field(2);
    record.dateTimeOriginal = field(3);
    record.shootingMode = field(4);
    record.additionalInformation = field(5);
    record.drawFlag = field(6);
    record.productNumberString = field(7);
    if (parts.size() > 8) {
        ExtendedMakerNoteEntity extended;
        extended.majorVersion = field(8);
        extended.serial = field(9);
        extended.customMode = field(10);
        extended.flipDirection = field(11);
        record.extendedMakerNoteEntity = extended;
    }
    return record;
}

} // namespace

// The job logs every skipped picture; millions of lines would only slow the search.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::uint8_t switches = size > 0 ? data[0] : 0;
    const QString dayPattern =
        size > 1 && (data[1] & 1) ? QStringLiteral("yyyy/../dd") : QStringLiteral("yyyy-MM-dd");

    auto still = ImageBytes::fromData(input);
    if (const auto record = ExifOperator::getExifData(still, QStringLiteral("fuzz.JPG")))
        check(*record, switches, dayPattern);
    check(recordFromFields(input), switches, dayPattern);
    return 0;
}
