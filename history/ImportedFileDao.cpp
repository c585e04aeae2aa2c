#include "history/ImportedFileDao.h"

#include "history/FMResultSet.h"
#include "history/HistoryDatabase.h"

#include <QRegularExpression>
#include <QStringList>

#include <string>

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

// What SQLite's "nocase" folds: ASCII letters only.
QString asciiLower(QString text)
{
    for (QChar& c : text) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return text;
}

// The least text above every text that begins with the prefix, in code point order (which is the
// byte order of UTF-8, the order "nocase" compares in once it has folded ASCII letters); none when
// the prefix holds only U+10FFFF.
std::optional<QString> pastPrefix(const QString& prefix)
{
    std::u32string points;
    for (const uint point : prefix.toUcs4())
        points += static_cast<char32_t>(point);
    while (!points.empty()) {
        const char32_t last = points.back();
        points.pop_back();
        if (last < 0x10FFFF) {
            points += last == 0xD7FF ? char32_t{0xE000} : last + 1; // past the surrogates
            return QString::fromUcs4(points.data(), static_cast<qsizetype>(points.size()));
        }
    }
    return std::nullopt;
}

// The terms on the last path component of which every row of the duplicate check meets one (see
// ImportedFileDao::getLikeFileNameCameraIdQuery), each with its values; none when the name must go
// without them.
std::optional<std::vector<SqlStatement>> fileNameKeyTerms(const QString& fileName)
{
    // The text as bound: a lone surrogate, which UTF-8 cannot hold, is what the conversion made of it.
    const QString name = QString::fromUtf8(fileName.toUtf8());
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('%')) || name.contains(QChar(0)))
        return std::nullopt;
    const QString key = HistoryDatabase::fileNameKeySql();
    const QStringList runs = name.split(QLatin1Char('_'));
    std::vector<SqlStatement> terms;
    for (qsizetype index = 0; index < runs.size(); ++index) {
        const QString& run = runs.at(index);
        if (index == runs.size() - 1) {
            terms.emplace_back(QStringLiteral("%1 = ? collate nocase").arg(key), QVariantList{run});
            continue;
        }
        if (run.isEmpty())
            return std::nullopt;
        const QString lower = asciiLower(run);
        SqlStatement range(QStringLiteral("%1 >= ? collate nocase").arg(key), {lower});
        if (const auto past = pastPrefix(lower)) {
            range.sql += QStringLiteral(" and %1 < ? collate nocase").arg(key);
            range.parameters << *past;
        }
        terms.push_back(range);
    }
    return terms;
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
    return executeFindImportedFiles(getLikeFileNameCameraIdQuery(fileName, cameraId));
}

std::vector<ImportedFileEntity> ImportedFileDao::findByLikeFileNameCameraIdAfter(const QString& fileName,
                                                                                 const QString& cameraId,
                                                                                 qint64 afterId) const
{
    return executeFindImportedFiles(getLikeFileNameCameraIdQuery(fileName, cameraId, afterId));
}

SqlStatement ImportedFileDao::getLikeFileNameCameraIdQuery(const QString& fileName, const QString& cameraId,
                                                           std::optional<qint64> afterId)
{
    // The pattern is bound, not pasted: a quote in the name stays a quote, while "_" and "%" keep
    // their wildcard meaning, as they always had in this lookup. The "like" comes first: without
    // the index (a database that could not be upgraded) it is the cheaper test of every row.
    SqlStatement scan(kSelectColumns + QStringLiteral(" where file_name like ? and camera_id = ?"),
                      {QStringLiteral("%/") + fileName, cameraId});
    if (afterId) {
        scan.sql += QStringLiteral(" and id > ?");
        scan.parameters << *afterId;
    }
    const auto keyTerms = fileNameKeyTerms(fileName);
    if (!keyTerms)
        return {scan.sql + QStringLiteral(" order by id;"), scan.parameters};
    // One select per term, not one "or" of them: SQLite would read every row of the camera for that.
    SqlStatement statement;
    for (const SqlStatement& term : *keyTerms) {
        if (!statement.sql.isEmpty())
            statement.sql += QStringLiteral(" union ");
        statement.sql += scan.sql + QStringLiteral(" and ") + term.sql;
        statement.parameters << scan.parameters << term.parameters;
    }
    statement.sql += QStringLiteral(" order by id;");
    return statement;
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
    if (!executeUpdate({QStringLiteral("delete from imported_file where datetime <= ?;"), {datetime}}))
        return false;
    if (executeUpdate({QStringLiteral("delete from imported_file_hash where datetime <= ?;"), {datetime}}))
        return true;
    const auto hashTables = executeFindSingleColumn(
        {QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = ?;"),
         {QStringLiteral("imported_file_hash")}});
    return hashTables && hashTables->toLongLong() == 0;
}

bool ImportedFileDao::insertPictureHash(const PictureHashEntity& row) const
{
    return executeUpdate(
        {QStringLiteral(
             "insert into imported_file_hash (path, size, xxh3_128, datetime) values (?, ?, ?, ?);"),
         {row.path, row.size, row.hash, row.datetime}});
}

std::vector<PictureHashEntity> ImportedFileDao::findPictureHashesSince(qint64 datetime) const
{
    std::vector<PictureHashEntity> rows;
    const bool read =
        executeForEachRow({QStringLiteral("select id, path, size, xxh3_128, datetime from imported_file_hash "
                                          "where datetime >= ? order by id;"),
                           {datetime}},
                          [&rows](const FMResultSet& result) {
                              PictureHashEntity row;
                              row.id = result.longLongIntForColumn(QStringLiteral("id"));
                              row.path = result.stringForColumn(QStringLiteral("path")).value_or(QString());
                              row.size = result.longLongIntForColumn(QStringLiteral("size"));
                              row.hash =
                                  result.stringForColumn(QStringLiteral("xxh3_128")).value_or(QString());
                              row.datetime = result.longLongIntForColumn(QStringLiteral("datetime"));
                              rows.push_back(row);
                          });
    if (!read)
        rows.clear();
    return rows;
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
