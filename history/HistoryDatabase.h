#pragma once

#include <QString>

// The import-history database file as a whole: its schema (the table imported_file, compiled in from
// resources/full/imported_file.sql, and what later builds added beside it), its creation on a fresh
// installation and its upgrade at start-up.
class HistoryDatabase
{
public:
    HistoryDatabase() = delete;

    // The schema script, ":/full/imported_file.sql".
    static QString schemaResourcePath();
    static QString schemaSql();

    // What later builds added to the schema, every statement harmless where its part is there
    // already: the lookup index of imported_file (see fileNameKeySql), the table imported_file_hash
    // with an index on its datetime, and dicom_outbox, the DICOM files not yet written or sent
    // (DicomOutboxDao). imported_file's own columns stay as they are: other programs
    // read the table.
    static QString addedSchemaSql();

    // The last path component of imported_file.file_name as an SQL expression ("P1/IMG.JPG" gives
    // "IMG.JPG"; a name without "/" is itself). Beside camera_id it is the key of the index
    // imported_file_camera_name, compared without regard to ASCII letter case ("collate nocase"). A
    // query must spell it exactly so for SQLite to use the index. It is made of SQLite's own functions
    // only, so that every program that writes the table keeps the index right.
    static QString fileNameKeySql();

    // Makes the database with its tables at path when no file is there, or when the file there is
    // empty (zero bytes: an empty database, as opening a missing file leaves behind). The new database
    // is built under a temporary name in the same folder and then renamed, so the final name never
    // holds a half-made file. An existing database is only brought up to date (see upgrade); one that
    // cannot be is left as it is. The folder must exist. True when a database file is at path
    // afterwards.
    static bool createIfMissing(const QString& path);

    // Gives an existing history database what addedSchemaSql adds, in one transaction. Building the
    // lookup index reads every row once: about 2 s per million rows, once. False when there is
    // no database at path, it holds no imported_file table (it is left alone), or it cannot be
    // written or stays busy beyond the busy time-out.
    static bool upgrade(const QString& path);

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
