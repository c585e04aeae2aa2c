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

QString HistoryDatabase::addedSchemaSql()
{
    return QStringLiteral("create index if not exists imported_file_camera_name on imported_file "
                          "(camera_id, %1 collate nocase);\n"
                          "create table if not exists imported_file_hash (\n"
                          "    id integer primary key,\n"
                          "    path text not null,\n"
                          "    size integer,\n"
                          "    xxh3_128 text,\n"
                          "    datetime integer\n"
                          ");\n"
                          "create index if not exists imported_file_hash_datetime on imported_file_hash "
                          "(datetime);\n"
                          "create table if not exists dicom_outbox (\n"
                          "    still_path text primary key,\n"
                          "    dicom_path text not null default '',\n"
                          "    attempts integer not null default 0,\n"
                          "    last_error text not null default '',\n"
                          "    datetime integer\n"
                          ");\n")
        .arg(fileNameKeySql());
}

QString HistoryDatabase::fileNameKeySql()
{
    // rtrim drops every character but "/" from the end, which leaves the folder part with its last
    // "/"; what follows it is the name. The cast makes a blob or a number written by another program
    // the text that "like" reads it as (in builds of SQLite whose "like" reads blobs at all).
    return QStringLiteral("substr(cast(file_name as text), length(rtrim(cast(file_name as text), "
                          "replace(cast(file_name as text), '/', ''))) + 1)");
}

bool HistoryDatabase::createIfMissing(const QString& path)
{
    const QFileInfo target(path);
    if (path.isEmpty() || target.isDir())
        return false;
    const bool replaceEmptyFile = target.exists() && target.size() == 0;
    if (target.exists() && !replaceEmptyFile) {
        upgrade(path); // when it fails, the lookups read the whole table as they did before the index
        return true;
    }

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
            !database.executeStatements(QStringLiteral("begin;\n") + schema + QLatin1Char('\n') +
                                        addedSchemaSql() + QStringLiteral("commit;")))
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

bool HistoryDatabase::upgrade(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    FMDatabase database(path);
    if (!database.open(FMDatabase::OpenMode::ReadWrite))
        return false;
    // On a failure the transaction is left open, and closing the handle rolls it back.
    return database.executeStatements(QStringLiteral("begin;\n") + addedSchemaSql() +
                                      QStringLiteral("commit;"));
}

void HistoryDatabase::addTransferColumns(const QString& path)
{
    const ImportedFileDao history(path);
    const QString text = QStringLiteral("text");
    const QString empty = QStringLiteral("''");
    history.addColumn(QStringLiteral("original_file_name"), text, true, empty);
    history.addColumn(QStringLiteral("transferred_folder"), text, true, empty);
}
