#include "history/HistoryDatabase.h"

#include "history/ImportedFileDao.h"

#include "history/FMDatabase.h"
#include "history/FMResultSet.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

QString HistoryDatabase::schemaResourcePath()
{
    return QStringLiteral(":/full/imported_file.sql");
}

QString HistoryDatabase::schemaSql()
{
    QFile file(schemaResourcePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

bool HistoryDatabase::createIfMissing(const QString& path)
{
    const QFileInfo target(path);
    if (path.isEmpty() || target.isDir())
        return false;
    const bool replaceEmptyFile = target.exists() && target.size() == 0;
    if (target.exists() && !replaceEmptyFile)
        return true;

    const QString schema = schemaSql();
    if (schema.isEmpty())
        return false;
    QTemporaryFile building(path + QStringLiteral(".XXXXXX"));
    if (!building.open())
        return false;
    building.close(); // keeps the name reserved; SQLite opens the empty file as an empty database
    {
        FMDatabase database(building.fileName());
        if (!database.open(FMDatabase::OpenMode::ReadWrite) ||
            !database.executeStatements(QStringLiteral("begin;\n") + schema + QStringLiteral("\ncommit;")))
            return false; // the temporary file goes with `building`
    }
    // From here on the file is moved or removed by hand: QTemporaryFile would delete it under its
    // new name once renamed.
    building.setAutoRemove(false);
    const QString builtPath = building.fileName();
    bool renamed = false;
    if (replaceEmptyFile) {
        // rename(2) replaces the empty file in one step; QFile::rename would refuse an existing target.
        renamed =
            std::rename(QFile::encodeName(builtPath).constData(), QFile::encodeName(path).constData()) == 0;
    } else {
        // QFile::rename never replaces a file: if another process made the database meanwhile, theirs
        // stays and ours is dropped.
        renamed = QFile::rename(builtPath, path);
    }
    if (!renamed)
        QFile::remove(builtPath);
    return renamed || (!replaceEmptyFile && QFileInfo(path).size() > 0);
}

bool HistoryDatabase::checkpoint(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    FMDatabase database(path);
    if (!database.open(FMDatabase::OpenMode::ReadWrite))
        return false;
    // The first column is 1 when a reader or writer kept the checkpoint from finishing.
    const auto result = database.executeQuery(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE);"));
    return result && result->next() && result->objectForColumnIndex(0).toLongLong() == 0;
}

void HistoryDatabase::addTransferColumns(const QString& path)
{
    const ImportedFileDao history(path);
    const QString text = QStringLiteral("text");
    const QString empty = QStringLiteral("''");
    history.addColumn(QStringLiteral("original_file_name"), text, true, empty);
    history.addColumn(QStringLiteral("transferred_folder"), text, true, empty);
}
