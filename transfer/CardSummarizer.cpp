#include "transfer/CardSummarizer.h"

#include "metadata/BasicExifOperator.h"
#include "metadata/CameraFileNames.h"
#include "metadata/ExifOperator.h"
#include "transfer/NamingRules.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

struct Walk
{
    Edition edition;
    const SettingsSnapshot& settings;
    CardSummary summary;
    QSet<QString> seen;
    ExifOperator reader;
    BasicExifOperator basicReader;

    void folder(const QString& path, int depth)
    {
        // A card is a few folders deep; a deeper tree is no camera's.
        if (depth > 8)
            return;
        const QStringList names = QDir(path).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& name : names) {
            if (name.startsWith(QLatin1Char('.')))
                continue;
            const QFileInfo info(path + QLatin1Char('/') + name);
            if (info.isSymLink())
                continue;
            if (info.isDir()) {
                folder(info.filePath(), depth + 1);
                continue;
            }
            const bool still = CameraFileNames::isStill(name);
            const bool movie = !still && CameraFileNames::isMovieIndex(name);
            if (!still && !movie)
                continue;
            ++(still ? summary.stills : summary.movies);
            patientOf(info.filePath());
        }
    }

    void patientOf(const QString& path)
    {
        const bool full = edition == Edition::Full;
        const std::optional<ExifEntity> record =
            full ? reader.getExifData(path) : basicReader.getExifData(path);
        if (!record || !record->patientID || record->patientID->isEmpty())
            return;
        QString patient = full ? NamingRules::getPatientFolder(*record, settings)
                               : NamingRules::getPatientFolderBasic(*record, settings);
        // The receptionist knows patients by name, also where the folders leave it out.
        const QString name = record->patientName.value_or(QString()).trimmed();
        if (!name.isEmpty() && !patient.contains(name))
            patient += QLatin1Char(' ') + name;
        if (!seen.contains(patient)) {
            seen.insert(patient);
            summary.patients << patient;
        }
    }
};

} // namespace

namespace CardSummarizer {

CardSummary summarize(const QStringList& cards, Edition edition, const SettingsSnapshot& settings)
{
    Walk walk{edition, settings, {}, {}, {}, {}};
    for (const QString& card : cards)
        walk.folder(card, 0);
    return walk.summary;
}

} // namespace CardSummarizer
