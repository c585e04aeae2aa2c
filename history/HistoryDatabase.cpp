#include "history/HistoryDatabase.h"

#include "history/FMDatabase.h"

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
    if (replaceEmptyFile) {
        // rename(2) replaces the empty file in one step; QFile::rename would refuse an existing target.
        if (std::rename(QFile::encodeName(building.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
            return false;
        building.setAutoRemove(false);
        return true;
    }
    // QFile::rename never replaces a file: if another process made the database meanwhile, theirs
    // stays and ours is dropped.
    if (building.rename(path)) {
        // Renamed, the file is the database: the temporary file object must not remove it.
        building.setAutoRemove(false);
        return true;
    }
    return QFileInfo::exists(path);
}
