#pragma once

#include "history/HistoryDatabase.h"
#include "history/ImportedFileDao.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace historytest {

inline ImportedFileEntity importedFile(const QString& fileName, const QString& cameraId,
                                       qint64 datetime = 20240101120000)
{
    ImportedFileEntity file;
    file.fileName = fileName;
    file.cameraId = cameraId;
    file.datetime = datetime;
    file.originalFileName = QStringLiteral("/media/card/DCIM/") + fileName.section(QLatin1Char('/'), -1);
    file.transferredFolder = QStringLiteral("/srv/pictures/") + fileName.section(QLatin1Char('/'), 0, -2);
    return file;
}

// A fresh history database "Trevasel.db" in a temporary folder of its own.
class HistoryFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("Trevasel.db"));
        ASSERT_TRUE(HistoryDatabase::createIfMissing(m_path));
    }

    QTemporaryDir m_dir;
    QString m_path;
};

inline bool hasSqliteTool()
{
    return !QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty();
}

// Standard output of the sqlite3 command-line tool, or none when it failed.
inline std::optional<QByteArray> runSqliteTool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("sqlite3"), arguments);
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        ADD_FAILURE() << "sqlite3 " << arguments.join(QLatin1Char(' ')).toStdString() << ": "
                      << tool.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return tool.readAllStandardOutput();
}

} // namespace historytest
