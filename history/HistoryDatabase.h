#pragma once

#include <QString>

// The import-history database file as a whole: its schema (the table imported_file, compiled in from
// resources/full/imported_file.sql) and its creation on a fresh installation.
class HistoryDatabase
{
public:
    HistoryDatabase() = delete;

    // The schema script, ":/full/imported_file.sql".
    static QString schemaResourcePath();
    static QString schemaSql();

    // Makes the database with its table at path when no file is there, or when the file there is
    // empty (zero bytes: an empty database, as opening a missing file leaves behind). The new database
    // is built under a temporary name in the same folder and then renamed, so the final name never
    // holds a half-made file. An existing database is never touched. The folder must exist.
    // True when a database file is at path afterwards.
    static bool createIfMissing(const QString& path);

    // For a database in write-ahead-log mode (switched by another tool, or by an earlier build):
    // copies the log into the database file, syncs it and empties the log, so the file alone holds
    // every row (for a backup copy). Outside a transfer batch's session (BaseDao::beginSession) the
    // store keeps SQLite's rollback journal, where every commit is already in the file and this does
    // nothing; a session checkpoints by itself when it ends.
    // False when there is no database at path, or when it stays busy beyond the busy time-out or
    // another connection kept the checkpoint from finishing.
    static bool checkpoint(const QString& path);

    // Adds the columns original_file_name and transferred_folder (text, not null, default '') that
    // builds before the movie import lacked; a column already there is left as it is.
    static void addTransferColumns(const QString& path);
};
