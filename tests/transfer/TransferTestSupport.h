#pragma once

#include "app/SettingsKeys.h"
#include "camerafiles/CameraFileWriter.h"
#include "history/HistoryDatabase.h"
#include "history/ImportedFileDao.h"
#include "transfer/TransferObserver.h"
#include "transfer/WatchFolderBatch.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QVariantMap>

#include "tests/support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace transfertest {

using testsupport::CameraImage;
using testsupport::FileKind;
using testsupport::MakerNoteLayout;

// The default camera image of the layout, shot at 10:32:<second> on 2024-05-14.
inline CameraImage shotAt(int second, MakerNoteLayout layout = MakerNoteLayout::Extended2,
                          FileKind kind = FileKind::Still)
{
    CameraImage image = testsupport::defaultCameraImage(layout, kind);
    image.dateTimeOriginal = QDateTime(QDate(2024, 5, 14), QTime(10, 32, second));
    image.dateTime = image.dateTimeOriginal;
    return image;
}

// Where the default image of each layout goes, and the name the default K-44 still gets.
inline const QString satoFolder = QStringLiteral("0000012345 SATO HANAKO");
inline QString k44Name(int second)
{
    return QStringLiteral("2024-05-14 1032%1_Std-C1.JPG").arg(second, 2, 10, QLatin1Char('0'));
}

// Every file below root, hidden ones included, as sorted paths relative to root.
inline QStringList filesBelow(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

inline QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Notes every picture the job reports.
class RecordingObserver : public TransferObserver
{
public:
    void pictureArrived(const QString& source, const QString& target) override
    {
        arrived << source << target;
    }
    void pictureSkipped(const QString& source, SkipReason why) override { skipped.append({source, why}); }

    QStringList arrived; // source, target, source, target, ...
    QList<std::pair<QString, SkipReason>> skipped;
};

using testsupport::FileSizeLimit;

// A card folder, a destination and a history database in a temporary folder; settings with every
// switch off and the destination set.
class TransferFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_source = m_dir.filePath(QStringLiteral("card"));
        m_destination = m_dir.filePath(QStringLiteral("pictures"));
        m_database = m_dir.filePath(QStringLiteral("Trevasel.db"));
        ASSERT_TRUE(QDir().mkpath(m_source));
        ASSERT_TRUE(HistoryDatabase::createIfMissing(m_database));
        m_settings = {{QLatin1String(SettingsKey::destinationFolderPath), m_destination},
                      {QLatin1String(SettingsKey::zeroPaddingLengthString), QStringLiteral("0")},
                      {QLatin1String(SettingsKey::dateFormatString), QStringLiteral("YYYY-MM-DD")}};
    }

    void set(const char* key, const QVariant& value = true) { m_settings.insert(QLatin1String(key), value); }
    QString source(const QString& relative) const { return m_source + QLatin1Char('/') + relative; }
    QString destination(const QString& relative) const { return m_destination + QLatin1Char('/') + relative; }

    void put(const QString& relative, const CameraImage& image) const
    {
        ASSERT_TRUE(testsupport::writeCameraFile(source(relative), image)) << qPrintable(relative);
    }
    void putMovie(const QString& relative) const
    {
        QFile movie(source(relative));
        ASSERT_TRUE(movie.open(QIODevice::WriteOnly));
        movie.write(testsupport::moviePlaceholder());
    }

    std::vector<ImportedFileEntity> historyRows() const
    {
        std::vector<ImportedFileEntity> rows;
        for (const auto& row : ImportedFileDao(m_database).findAll())
            rows.push_back(dynamic_cast<const ImportedFileEntity&>(*row));
        return rows;
    }

    QTemporaryDir m_dir;
    QString m_source;
    QString m_destination;
    QString m_database;
    QVariantMap m_settings;
};

} // namespace transfertest
