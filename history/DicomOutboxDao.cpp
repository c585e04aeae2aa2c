#include "history/DicomOutboxDao.h"

#include "history/FMResultSet.h"

bool DicomOutboxDao::put(const DicomOutboxRow& row) const
{
    return executeUpdate({QStringLiteral("insert or replace into dicom_outbox "
                                         "(still_path, dicom_path, attempts, last_error, datetime) "
                                         "values (?, ?, ?, ?, ?);"),
                          {row.stillPath, row.dicomPath, row.attempts, row.lastError, row.datetime}});
}

bool DicomOutboxDao::update(const DicomOutboxRow& row) const
{
    return executeUpdate(
        {QStringLiteral(
             "update dicom_outbox set dicom_path = ?, attempts = ?, last_error = ? where still_path = ?;"),
         {row.dicomPath, row.attempts, row.lastError, row.stillPath}});
}

bool DicomOutboxDao::remove(const QString& stillPath) const
{
    return executeUpdate({QStringLiteral("delete from dicom_outbox where still_path = ?;"), {stillPath}});
}

std::vector<DicomOutboxRow> DicomOutboxDao::waiting(qint64 afterRowid, int limit) const
{
    std::vector<DicomOutboxRow> rows;
    const bool read = executeForEachRow(
        {QStringLiteral("select rowid, still_path, dicom_path, attempts, last_error, datetime from "
                        "dicom_outbox where rowid > ? order by rowid limit ?;"),
         {afterRowid, limit}},
        [&rows](const FMResultSet& result) {
            DicomOutboxRow row;
            row.rowid = result.longLongIntForColumn(QStringLiteral("rowid"));
            row.stillPath = result.stringForColumn(QStringLiteral("still_path")).value_or(QString());
            row.dicomPath = result.stringForColumn(QStringLiteral("dicom_path")).value_or(QString());
            row.attempts = result.longLongIntForColumn(QStringLiteral("attempts"));
            row.lastError = result.stringForColumn(QStringLiteral("last_error")).value_or(QString());
            row.datetime = result.longLongIntForColumn(QStringLiteral("datetime"));
            rows.push_back(row);
        });
    if (!read)
        rows.clear();
    return rows;
}

int DicomOutboxDao::count() const
{
    const auto rows = executeFindSingleColumn({QStringLiteral("select count(*) from dicom_outbox;")});
    return rows ? int(rows->toLongLong()) : 0;
}
