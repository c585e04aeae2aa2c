#include "history/ImportedFileDao.h"

#include "history/FMResultSet.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QString kSelectColumns = QStringLiteral(
    "select id, file_name, camera_id, datetime, original_file_name, transferred_folder from imported_file");

// An absent text is written as the empty text (see ImportedFileEntity).
QVariant text(const std::optional<QString>& value)
{
    return value.value_or(QLatin1String(""));
}

QVariantList rowValues(const ImportedFileEntity& record)
{
    return {text(record.fileName), text(record.cameraId), record.datetime, text(record.originalFileName),
            text(record.transferredFolder)};
}

const ImportedFileEntity* asImportedFile(const BaseEntity& record)
{
    return dynamic_cast<const ImportedFileEntity*>(&record);
}

bool isIdentifier(const QString& text)
{
    static const QRegularExpression identifier(QStringLiteral("\\A[A-Za-z_][A-Za-z0-9_]{0,63}\\z"));
    return identifier.match(text).hasMatch();
}

bool isTypeName(const QString& text)
{
    static const QRegularExpression typeName(
        QStringLiteral("\\A([A-Za-z][A-Za-z0-9_]{0,31})( [A-Za-z][A-Za-z0-9_]{0,31}){0,3}"
                       "( ?\\( *[+-]?[0-9]{1,9} *(, *[+-]?[0-9]{1,9} *)?\\))?\\z"));
    if (!typeName.match(text).hasMatch())
        return false;
    // These words would start a column constraint rather than name a type.
    static const QStringList constraintWords = {
        QStringLiteral("constraint"), QStringLiteral("primary"), QStringLiteral("not"),
        QStringLiteral("null"),       QStringLiteral("unique"),  QStringLiteral("check"),
        QStringLiteral("default"),    QStringLiteral("collate"), QStringLiteral("references"),
        QStringLiteral("generated"),  QStringLiteral("as"),      QStringLiteral("autoincrement"),
    };
    static const QRegularExpression wordSeparator(QStringLiteral("[ (]"));
    const QStringList words = text.section(QLatin1Char('('), 0, 0).split(wordSeparator, Qt::SkipEmptyParts);
    for (const QString& word : words) {
        if (constraintWords.contains(word.toLower()))
            return false;
    }
    return true;
}

bool isLiteral(const QString& text)
{
    static const QRegularExpression literal(
        QStringLiteral("\\A(?:"
                       "[+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?" // number
                       "|0[xX][0-9A-Fa-f]+"                                          // hexadecimal integer
                       "|'(?:[^'\\x00]|'')*'"                                        // text, quotes doubled
                       "|[xX]'(?:[0-9A-Fa-f]{2})*'"                                  // blob
                       "|(?i:null|true|false|current_time|current_date|current_timestamp)"
                       ")\\z"));
    return literal.match(text).hasMatch();
}

} // namespace

std::vector<ImportedFileEntity> ImportedFileDao::findByFileNameCameraId(const QString& fileName,
                                                                        const QString& cameraId) const
{
    return executeFindImportedFiles(
        {kSelectColumns + QStringLiteral(" where file_name = ? and camera_id = ? order by id;"),
         {fileName, cameraId}});
}

std::vector<ImportedFileEntity> ImportedFileDao::findByLikeFileNameCameraId(const QString& fileName,
                                                                            const QString& cameraId) const
{
    // The pattern is bound, not pasted: a quote in the name stays a quote, while "_" and "%" keep
    // their wildcard meaning, as they always had in this lookup.
    return executeFindImportedFiles(
        {kSelectColumns + QStringLiteral(" where file_name like ? and camera_id = ? order by id;"),
         {QStringLiteral("%/") + fileName, cameraId}});
}

std::vector<ImportedFileEntity> ImportedFileDao::findByLikeFileNameCameraIdAfter(const QString& fileName,
                                                                                 const QString& cameraId,
                                                                                 qint64 afterId) const
{
    return executeFindImportedFiles(
        {kSelectColumns + QStringLiteral(" where id > ? and file_name like ? and camera_id = ? order by id;"),
         {afterId, QStringLiteral("%/") + fileName, cameraId}});
}

std::optional<qint64> ImportedFileDao::newestId() const
{
    const auto newest =
        executeFindSingleColumn({QStringLiteral("select coalesce(max(id), 0) from imported_file;")});
    if (!newest)
        return std::nullopt;
    bool ok = false;
    const qint64 id = newest->toLongLong(&ok);
    return ok ? std::optional<qint64>(id) : std::nullopt;
}

bool ImportedFileDao::deleteBeforeDatetime(qint64 datetime) const
{
    return executeUpdate({QStringLiteral("delete from imported_file where datetime <= ?;"), {datetime}});
}

bool ImportedFileDao::addColumn(const QString& columnName, const QString& type, bool notNull,
                                const QString& defaultValue) const
{
    const auto statement = getAddColumnQuery(columnName, type, notNull, defaultValue);
    return statement && alterTable(*statement);
}

std::optional<QString> ImportedFileDao::getAddColumnQuery(const QString& columnName, const QString& type,
                                                          bool notNull, const QString& defaultValue)
{
    if (!isIdentifier(columnName) || !isTypeName(type) || (notNull && !isLiteral(defaultValue)))
        return std::nullopt;
    QString statement = QStringLiteral("alter table imported_file add column %1 %2 ").arg(columnName, type);
    if (notNull)
        statement += QStringLiteral("not null default %1 ").arg(defaultValue);
    statement += QLatin1Char(';');
    return statement;
}

SqlStatement ImportedFileDao::getFindAllQuery() const
{
    return {kSelectColumns + QStringLiteral(" order by id;")};
}

SqlStatement ImportedFileDao::getInsertQuery(const BaseEntity& record) const
{
    const ImportedFileEntity* file = asImportedFile(record);
    if (!file)
        return {};
    return {QStringLiteral("insert into imported_file (file_name, camera_id, datetime, original_file_name, "
                           "transferred_folder) values (?, ?, ?, ?, ?);"),
            rowValues(*file)};
}

SqlStatement ImportedFileDao::getDeleteQuery(qint64 recordId) const
{
    return {QStringLiteral("delete from imported_file where id = ?;"), {recordId}};
}

std::unique_ptr<BaseEntity> ImportedFileDao::getEntity(const FMResultSet& row) const
{
    auto record = std::make_unique<ImportedFileEntity>();
    // 64-bit: ids past 2^31 (possible in a database written by other tools) keep their value.
    record->recordId = row.longLongIntForColumn(QStringLiteral("id"));
    record->fileName = row.stringForColumn(QStringLiteral("file_name"));
    record->cameraId = row.stringForColumn(QStringLiteral("camera_id"));
    record->datetime = row.longLongIntForColumn(QStringLiteral("datetime"));
    record->originalFileName = row.stringForColumn(QStringLiteral("original_file_name"));
    record->transferredFolder = row.stringForColumn(QStringLiteral("transferred_folder"));
    return record;
}

std::vector<ImportedFileEntity> ImportedFileDao::executeFindImportedFiles(const SqlStatement& statement) const
{
    std::vector<ImportedFileEntity> files;
    for (const auto& record : executeFind(statement)) {
        if (const ImportedFileEntity* file = asImportedFile(*record))
            files.push_back(*file);
    }
    return files;
}
