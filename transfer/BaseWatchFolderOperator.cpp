#include "transfer/BaseWatchFolderOperator.h"

#include "app/TrevaselCommon.h"
#include "dicom/DicomOutbox.h"
#include "export/ExportXmlChoice.h"
#include "history/ImportedFileDao.h"
#include "metadata/CameraFileNames.h"
#include "metadata/CameraModelCheck.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "transfer/CopyFailedException.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <typeinfo>

namespace {

// The serial that names the camera: the extended maker note's, or for a camera below maker-note
// version 2.1 (no extended maker note) the same serial from the maker note's plain bytes.
std::optional<QString> cameraSerial(const ExifEntity& record)
{
    if (record.extendedMakerNoteEntity && record.extendedMakerNoteEntity->serial)
        return record.extendedMakerNoteEntity->serial;
    return record.productNumberString;
}

// The serial as stored for the history lookup: the extended maker note's only, as recorded so far.
std::optional<QString> historySerial(const ExifEntity& record)
{
    return record.extendedMakerNoteEntity ? record.extendedMakerNoteEntity->serial : std::nullopt;
}

bool isInside(const QString& path, const QString& root)
{
    const QString cleanRoot = QDir::cleanPath(root);
    const QString prefix = cleanRoot.endsWith(QLatin1Char('/')) ? cleanRoot : cleanRoot + QLatin1Char('/');
    return QDir::cleanPath(path).startsWith(prefix);
}

void fail(const FileSystem::Result& result)
{
    if (!result.ok)
        throw CopyFailedException(result.error);
}

// The description for the practice-management system, written whole or not at all.
void writeDelivery(const ExifEntity& record, const QString& root, const QString& relativeFolder)
{
    const std::optional<ExtendedMakerNoteEntity>& extended = record.extendedMakerNoteEntity;
    static const ExportXmlOperator writer;
    static const ExportXmlOperator2 writer2;
    const auto text = ExportXmlChoice::writerFor(extended, writer, writer2).getXmlData(extended);

    const QString deliver = root + QStringLiteral("/deliver");
    const QFileInfo deliverInfo(deliver);
    if (!deliverInfo.exists())
        QDir().mkdir(deliver);
    else if (!deliverInfo.isDir())
        throw CopyFailedException(QStringLiteral("Do not create deliver folder."));
    if (!text)
        return;
    const QString file = deliver + QLatin1Char('/') + relativeFolder + QStringLiteral(".BIX");
    // Day and serial folders make F a path; its folders below "deliver" are made here.
    QDir().mkpath(QFileInfo(file).absolutePath());
    // A failed description is not a failed transfer, but the practice should learn why one is missing.
    if (const FileSystem::Result written = FileSystem::writeFileReplacing(file, text->toUtf8()); !written)
        Logger::info(QStringLiteral("the description was not written: %1").arg(written.error));
}

} // namespace

BaseWatchFolderOperator::BaseWatchFolderOperator(QString databaseFilePath)
    : m_databaseFilePath(std::move(databaseFilePath))
{
}

BaseWatchFolderOperator::~BaseWatchFolderOperator() = default;

ImportedFileDao& BaseWatchFolderOperator::importHistory()
{
    if (!m_history) {
        m_history = std::make_unique<ImportedFileDao>(m_databaseFilePath);
        m_history->beginSession();
    }
    return *m_history;
}

void BaseWatchFolderOperator::checkHistory(const ImportedFileDao& history) const
{
    if (const auto& cause = history.lastFailure())
        throw CopyFailedException(QStringLiteral("The import history \u201c%1\u201d cannot be used: %2")
                                      .arg(m_databaseFilePath, *cause));
}

bool BaseWatchFolderOperator::checkValidImageData(const ExifEntity& record)
{
    return CameraModelCheck::checkValidImageData(record);
}

void BaseWatchFolderOperator::createTransferringFile() const
{
    if (transferringFilePath().isEmpty())
        return;
    QFile marker(transferringFilePath());
    if (marker.open(QIODevice::WriteOnly | QIODevice::Truncate))
        marker.close();
}

void BaseWatchFolderOperator::deleteTransferringFile() const
{
    if (!transferringFilePath().isEmpty())
        QFile::remove(transferringFilePath());
}

void BaseWatchFolderOperator::finishBatch()
{
    // Every row of the batch becomes durable here, with the folder entries and descriptions.
    m_history.reset();
    m_tidiedFolders.clear();
    TransferJob::finishBatch();
}

void BaseWatchFolderOperator::copyImage(const QString& sourceFolder, const SettingsSnapshot& settings,
                                        bool isMove)
{
    const bool outermost = m_depth == 0;
    m_settings = &settings;
    m_isMove = isMove;
    struct Depth
    {
        int& depth;
        explicit Depth(int& d) : depth(++d) {}
        ~Depth() { --depth; }
    } depth(m_depth);

    try {
        // Whatever goes wrong inside ends the batch as a transfer failure with its reason.
        try {
            copyFolder(sourceFolder, isMove);
        } catch (const CopyFailedException&) {
            throw;
        } catch (const std::exception& error) {
            throw CopyFailedException(
                QStringLiteral("name:[%1] reason:[%2]")
                    .arg(QString::fromLatin1(typeid(error).name()), QString::fromLocal8Bit(error.what())));
        }
    } catch (...) {
        // The pictures that arrived before the failure are safe at their destinations and recorded:
        // their sources go as they would have one by one. The failure itself is what is reported.
        if (outermost)
            if (const FileSystem::Result removed = m_movedSources.flush(); !removed)
                Logger::info(removed.error);
        throw;
    }
    if (outermost)
        removeMovedSources();
}

void BaseWatchFolderOperator::removeMovedSources()
{
    const FileSystem::Result removed = m_movedSources.flush();
    if (!removed)
        throw CopyFailedException(removed.error);
}

void BaseWatchFolderOperator::copyFolder(const QString& sourceFolder, bool isMove)
{
    const QStringList entries =
        QDir(sourceFolder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    setOperationCounter(0);
    if (sourceFolder.contains(QLatin1String(".Trashes")))
        return;

    // A move within one filesystem needs no copy: the picture gets its second name by a link.
    const bool linkable =
        isMove && FileSystem::sameFilesystem(sourceFolder, m_settings->destinationFolderPath);
    try {
        for (const QString& name : entries) {
            if (stopRequested())
                break;
            const QString path = sourceFolder + QLatin1Char('/') + name;
            const QFileInfo info(path);
            if (name.startsWith(QLatin1Char('.')))
                continue;
            const bool still = CameraFileNames::isStill(name);
            const bool movie = !still && CameraFileNames::isMovieIndex(name);
            // A link is no picture: it may point outside the card, or back up the tree.
            if (info.isSymLink()) {
                if (still || movie || info.isDir())
                    Logger::info(QStringLiteral("skipped %1: a symbolic link").arg(path));
                continue;
            }
            if (info.isDir()) {
                m_pipeline.settle();
                const qint64 before = operationCounter();
                copyImage(path, *m_settings, isMove);
                setOperationCounter(before + operationCounter());
                continue;
            }
            if ((still || movie) && !info.isFile()) {
                Logger::info(QStringLiteral("skipped %1: not a regular file").arg(path));
                continue;
            }
            // A picture, or the movie of an index, still being written is taken by a later batch.
            if (still && !isSettled(info))
                continue;
            if (movie) {
                const auto companion = CameraFileNames::companionMovie(path);
                if (!isSettled(info) || (companion && !isSettled(QFileInfo(*companion))))
                    continue;
            }
            if (still || movie)
                transferEntry(path, movie, linkable);
        }
        m_pipeline.settle();
    } catch (...) {
        // Whatever ends the batch came after the staged stills were copied: they are put in place
        // and recorded first, as they would have been one by one. Should one of them fail, its
        // failure is the earlier one and is the one reported.
        m_pipeline.settle();
        throw;
    }
}

std::optional<TransferEntry> BaseWatchFolderOperator::examine(const QString& path, bool movie)
{
    const SettingsSnapshot& settings = *m_settings;
    auto record = m_reader.getExifData(path);
    if (!record || !checkValidImageData(*record)) {
        reportSkip(path, SkipReason::NotACameraPicture);
        return std::nullopt;
    }

    if (settings.dontSendPatientInformationImage &&
        record->shootingMode.value_or(QString()).toUpper() == QLatin1String("FE")) {
        if (settings.deleteOriginalImage) {
            m_pipeline.settle(); // every change to the source keeps its place in the order
            FileSystem::removeFile(path);
        }
        reportSkip(path, SkipReason::PatientInformation);
        return std::nullopt;
    }

    std::optional<TransferEntry> entry = entryFor(path, movie, std::move(*record), settings);
    if (!entry) {
        reportSkip(path, SkipReason::NoPatientData);
        return entry;
    }
    reportPatient(getPatientFolder(entry->record, settings));
    return entry;
}

std::optional<TransferEntry> BaseWatchFolderOperator::entryFor(const QString& path, bool movie,
                                                               ExifEntity record,
                                                               const SettingsSnapshot& settings)
{
    if (!isShootingDate(record.dateTimeOriginal)) {
        Logger::info(QStringLiteral("skipped %1: its shooting date \u201c%2\u201d is no date")
                         .arg(path, record.dateTimeOriginal.value_or(QString())));
        return std::nullopt;
    }
    QString folder = getPatientFolder(record, settings);
    if (folder.contains(noInformationFolder))
        return std::nullopt;
    if (record.patientNameUndecodable)
        Logger::info(QStringLiteral(
                         "the patient name in %1 is not valid UTF-8; the picture is filed under the ID alone")
                         .arg(path));
    if (settings.saveDaySubfolder) {
        const auto day = getDaySubfolderName(record, settings.folderDateFormat);
        if (!day) {
            Logger::debug(QStringLiteral("no shooting date to file by day: %1").arg(path));
            return std::nullopt;
        }
        folder += QLatin1Char('/') + *day;
    }
    if (settings.chopCameraSerialNumber)
        folder = replaceDirectoryName(cameraSerial(record)).value_or(QString()) + QLatin1Char('/') + folder;
    folder = neutraliseRelativeFolder(folder);

    const QString& root = settings.destinationFolderPath;
    const bool movieDestination = movie && settings.destinationFolderMov;
    const QString& destinationRoot = movieDestination ? settings.destinationFolderPathMov : root;
    const QString destination = destinationRoot + QLatin1Char('/') + folder;
    // An empty root would put the patient folders at the top of the disk.
    if (root.isEmpty())
        throw CopyFailedException(QStringLiteral("The destination folder is not set."));
    if (destinationRoot.isEmpty())
        throw CopyFailedException(QStringLiteral("The movie destination folder is not set."));
    for (const QString* folderRoot : {&root, &destinationRoot})
        if (!QDir::isAbsolutePath(*folderRoot))
            throw CopyFailedException(
                QStringLiteral("The destination folder \u201c%1\u201d is not an absolute path.")
                    .arg(*folderRoot));
    if (!isInside(destination, destinationRoot))
        throw CopyFailedException(
            QStringLiteral("\u201c%1\u201d lies outside the destination folder.").arg(destination));
    return TransferEntry{path, movie, std::move(record), folder, root, destination};
}

TargetChoice BaseWatchFolderOperator::chooseTarget(const TransferEntry& entry, bool quiet,
                                                   const TargetChoice* earlier)
{
    // A copy of this shot that is shorter than the source, or a still that does not end as a whole
    // JPEG does (cut short by an earlier failure, or written ahead of its data), is not this shot:
    // the picture is named anew beside it, and nothing is replaced.
    const qint64 sourceSize = QFileInfo(entry.path).size();
    QString inPlace; // the copy of this shot found at the destination
    const auto reader = [&](const QString& existing) -> std::optional<ExifEntity> {
        if (QFileInfo(existing).size() < sourceSize ||
            (!entry.movie && !FileSystem::endsWith(existing, CameraFileNames::jpegEnd())))
            return std::nullopt;
        std::optional<ExifEntity> found = ExifOperator().getExifData(existing);
        if (found && checkNewImageFileExif(entry.record, existing, [&](const QString&) { return found; }))
            inPlace = existing;
        return found;
    };
    const QString extension = QFileInfo(entry.path).suffix();
    TargetChoice choice;
    choice.target = isSecondGeneration(entry.record)
                        ? getValidNewImageFileName2(entry.destination, extension, entry.record, reader)
                        : getValidNewImageFileName(entry.destination, extension, entry.record, reader);
    // Every name is made of cleaned parts; this check stands behind them for every path written.
    if (choice.target && !isInside(*choice.target, entry.destination))
        throw CopyFailedException(
            QStringLiteral("\u201c%1\u201d lies outside the destination folder.").arg(*choice.target));
    if (!choice.target && !quiet) {
        reportSkip(entry.path, SkipReason::AlreadyInPlace);
        if (!inPlace.isEmpty())
            alreadyInPlace(entry, inPlace);
    }
    if (!choice.target || !m_settings->historyCheck)
        return choice;

    const QString targetName = QFileInfo(*choice.target).fileName();
    const QString camera = historySerial(entry.record).value_or(QString());
    ImportedFileDao& history = importHistory();
    if (quiet) { // a first look, which the final one may build on
        choice.historySeenUpTo = history.newestId();
        checkHistory(history);
    }
    // The earlier look found nothing under this name; only rows added since then can change that.
    const bool sameName = earlier && earlier->historySeenUpTo && earlier->target == choice.target;
    const bool imported =
        sameName
            ? !history.findByLikeFileNameCameraIdAfter(targetName, camera, *earlier->historySeenUpTo).empty()
            : !history.findByLikeFileNameCameraId(targetName, camera).empty();
    // An empty answer from a history that could not be read vouches for nothing.
    checkHistory(history);
    if (imported) {
        if (!quiet) {
            logoutExifInformation(entry.record, entry.path, QString());
            Logger::debug(QStringLiteral("「%1」は取込済ファイルです。取込はキャンセルされました。")
                              .arg(*choice.target));
            reportSkip(entry.path, SkipReason::AlreadyImported);
        }
        choice.target.reset();
    }
    return choice;
}

TargetChoice BaseWatchFolderOperator::decideTarget(const TransferEntry& entry, const TargetChoice& firstLook)
{
    return chooseTarget(entry, false, &firstLook);
}

void BaseWatchFolderOperator::arrived(const TransferEntry& entry, const StoredFile& stored)
{
    recordTransfer(entry, stored.path, {stored});
}

FileSystem::CopyChecks BaseWatchFolderOperator::copyChecks(bool still) const
{
    return {still ? CameraFileNames::jpegEnd() : QByteArray(), m_settings->verifyCopies};
}

void BaseWatchFolderOperator::unfinished(const TransferEntry& entry)
{
    noteUnsettled(entry.path);
    reportSkip(entry.path, SkipReason::NotWhole);
}

void BaseWatchFolderOperator::prepareFolder(const QString& folder)
{
    FileSystem::makePath(folder);
    if (m_tidiedFolders.contains(folder))
        return;
    m_tidiedFolders.insert(folder);
    if (const int removed = FileSystem::removeAbandonedTemporaryFiles(folder))
        Logger::debug(QStringLiteral("removed %1 unfinished copies left in %2").arg(removed).arg(folder));
}

void BaseWatchFolderOperator::transferEntry(const QString& path, bool movie, bool linkable)
{
    auto entry = examine(path, movie);
    if (!entry)
        return;

    // A movie pair, and a still moved within one filesystem (no data to copy), go in one step.
    if (movie || linkable) {
        m_pipeline.settle();
        const TargetChoice choice = chooseTarget(*entry, false);
        if (choice.target)
            place(*entry, *choice.target);
        return;
    }

    // A copied still. While earlier stills' data is still reaching the disk, it is copied ahead,
    // unless a first look already finds it present or imported: putting the earlier stills in
    // place and recording them can only add reasons to skip it. It is named for good once they are.
    TargetChoice choice = chooseTarget(*entry, !m_pipeline.isEmpty());
    if (!choice.target && !m_pipeline.isEmpty()) {
        m_pipeline.settle();
        choice = chooseTarget(*entry, false); // says why it is skipped
    }
    if (!choice.target)
        return;
    prepareFolder(entry->destination);
    m_pipeline.stage(std::move(*entry), std::move(choice), copyChecks(true));
}

void BaseWatchFolderOperator::place(const TransferEntry& entry, const QString& target)
{
    const SettingsSnapshot& settings = *m_settings;
    prepareFolder(entry.destination);
    if (!entry.movie) {
        // Another import may take the chosen name first: the name is then decided again, and the
        // same shot now lying there is skipped as usual.
        QString name = target;
        std::optional<ContentHash> hash;
        for (int attempt = 1;; ++attempt) {
            const FileSystem::Result placed = FileSystem::linkOrCopyFile(entry.path, name, copyChecks(true));
            if (placed) {
                hash = placed.hash;
                break;
            }
            if (placed.errorNumber == FileSystem::kUnfinished) {
                unfinished(entry);
                return;
            }
            if (placed.errorNumber != EEXIST || attempt == CopyAheadPipeline::kNameAttempts)
                fail(placed);
            const TargetChoice again = chooseTarget(entry, false);
            if (!again.target)
                return;
            name = *again.target;
        }
        recordTransfer(entry, name, {StoredFile{name, hash}});
        return;
    }
    const auto companion = CameraFileNames::companionMovie(entry.path);
    if (!companion)
        return;
    const bool deleteOriginal = settings.deleteOriginalImage;
    // The movie takes the index file's destination name with ".MOV" for ".MIF"; only the name
    // changes, so a patient folder that happens to hold ".MIF" stays as it is.
    QString movieName = QFileInfo(target).fileName();
    movieName.replace(QLatin1String(".mif"), QLatin1String(".MIF"))
        .replace(QLatin1String(".MIF"), QLatin1String(".MOV"));
    const QString movieTarget = QFileInfo(target).path() + QLatin1Char('/') + movieName;
    // The first failure ends the entry; the sources of a pair leave only once both are in place. A
    // movie that an earlier, interrupted import already brought over whole is taken as it lies, so
    // that its index still follows.
    // A movie or index that changes while it is copied is not whole yet: the pair waits for a later
    // batch, and a movie already in place is then taken as it lies.
    const FileSystem::Result moviePlaced =
        deleteOriginal ? FileSystem::linkOrCopyFile(*companion, movieTarget, copyChecks(false))
                       : FileSystem::copyFile(*companion, movieTarget, copyChecks(false));
    if (moviePlaced.errorNumber == FileSystem::kUnfinished) {
        unfinished(entry);
        return;
    }
    if (!moviePlaced &&
        !(moviePlaced.errorNumber == EEXIST && FileSystem::sameContents(*companion, movieTarget)))
        fail(moviePlaced);
    std::vector<StoredFile> stored{{movieTarget, moviePlaced.hash}};
    if (!settings.dontSendMif) {
        const FileSystem::Result indexPlaced =
            deleteOriginal ? FileSystem::linkOrCopyFile(entry.path, target, copyChecks(false))
                           : FileSystem::copyFile(entry.path, target, copyChecks(false));
        if (indexPlaced.errorNumber == FileSystem::kUnfinished) {
            unfinished(entry);
            return;
        }
        fail(indexPlaced);
        stored.push_back({target, indexPlaced.hash});
    }
    recordTransfer(entry, target, stored);
    if (deleteOriginal) {
        m_movedSources.add(*companion, entry.destination);
        m_movedSources.add(entry.path, entry.destination);
    }
}

void BaseWatchFolderOperator::recordTransfer(const TransferEntry& entry, const QString& target,
                                             const std::vector<StoredFile>& stored)
{
    const SettingsSnapshot& settings = *m_settings;
    if (settings.exportXml)
        writeDelivery(entry.record, entry.root, entry.folder);
    // The source goes only after its picture is safe and described; in groups, so that one flush
    // of the new names serves many pictures.
    if (m_isMove && !entry.movie) {
        m_movedSources.add(entry.path, entry.destination);
        if (m_movedSources.size() >= kSourcesPerRemoval)
            removeMovedSources();
    }

    logoutExifInformation(entry.record, entry.path, target);
    Logger::debug(QStringLiteral("ファイルコピー(オリジナル：%1)").arg(entry.path));
    Logger::debug(QStringLiteral("ファイルコピー(コピー先：%1)").arg(target));

    if (settings.historyCheck) {
        recordHistoryRow(entry, target);
        if (settings.verifyCopies)
            recordHashes(stored);
    }
    if (settings.dicomExport && !entry.movie)
        exportDicom(entry, target);
    countTransfer(entry.path, target);
}

void BaseWatchFolderOperator::exportDicom(const TransferEntry& entry, const QString& target)
{
    // The DICOM file serves the practice's imaging systems beside the store: it never fails the
    // picture's import, and never touches the source.
    DicomOutbox(m_databaseFilePath, *m_settings).stillArrived(target, entry.record);
}

void BaseWatchFolderOperator::deliverWaiting(const SettingsSnapshot& settings)
{
    try {
        const DicomOutbox::Summary summary = DicomOutbox(m_databaseFilePath, settings).deliverWaiting([] {
            return TransferJob::stopRequested();
        });
        if (summary.written + summary.sent + summary.refused > 0 || summary.serverUnreachable)
            Logger::info(QStringLiteral("DICOM files: %1 written again, %2 sent, %3 refused, %4 waiting")
                             .arg(summary.written)
                             .arg(summary.sent)
                             .arg(summary.refused)
                             .arg(summary.waiting));
    } catch (const std::exception& e) {
        Logger::info(QStringLiteral("the DICOM files waiting were not handed on: %1")
                         .arg(QString::fromUtf8(e.what())));
    }
}

void BaseWatchFolderOperator::recordHashes(const std::vector<StoredFile>& stored)
{
    ImportedFileDao& history = importHistory();
    for (const StoredFile& file : stored) {
        PictureHashEntity row;
        row.path = file.path;
        std::optional<ContentHash> hash = file.hash;
        if (hash) {
            row.size = QFileInfo(file.path).size();
        } else {
            // A second name of the source, or a movie taken as it lay: the store's file is read once.
            hash = ContentHasher::ofFile(file.path, &row.size);
            if (!hash) {
                Logger::info(QStringLiteral("cannot read %1 to keep its hash").arg(file.path));
                continue;
            }
        }
        row.hash = hash->toHex();
        row.datetime = TrevaselCommon::getNowDatabaseDatetime().toLongLong();
        // The hash serves a later check of the store; a history that cannot keep it (its table could
        // not be added) does not cost the picture its import.
        if (!history.insertPictureHash(row))
            Logger::info(QStringLiteral("the hash of %1 could not be kept in the history").arg(file.path));
    }
}

void BaseWatchFolderOperator::recordHistoryRow(const TransferEntry& entry, const QString& target)
{
    const QString targetName = QFileInfo(target).fileName();
    ImportedFileEntity row;
    row.fileName = entry.folder + QLatin1Char('/') + targetName;
    row.cameraId = historySerial(entry.record);
    row.datetime = TrevaselCommon::getNowDatabaseDatetime().toLongLong();
    row.originalFileName = entry.path;
    row.transferredFolder = entry.destination;
    ImportedFileDao& history = importHistory();
    history.insert(row);
    checkHistory(history);
    Logger::info(QStringLiteral("取込リストに情報を追加しました。(FileNm=%1 CapturedDttm=%2)")
                     .arg(targetName, nullToBlank(entry.record.dateTimeOriginal)));
}

void BaseWatchFolderOperator::alreadyInPlace(const TransferEntry& entry, const QString& copy)
{
    // A batch cut off (a kill, a pulled card) after the picture arrived and before its row was
    // written: the row follows now, so that the history vouches for every picture in the store.
    if (m_settings->historyCheck) {
        ImportedFileDao& history = importHistory();
        const bool known = !history
                                .findByLikeFileNameCameraId(QFileInfo(copy).fileName(),
                                                            historySerial(entry.record).value_or(QString()))
                                .empty();
        checkHistory(history);
        if (!known)
            recordHistoryRow(entry, copy);
    }
    // Cut off the same way in move mode, the picture stayed in the source as well: it leaves once its
    // twin in the store is known to be the same bytes.
    if (m_isMove && !entry.movie && FileSystem::sameContents(entry.path, copy)) {
        Logger::info(
            QStringLiteral("%1 is in the store already as %2; it leaves the source").arg(entry.path, copy));
        m_movedSources.add(entry.path, entry.destination);
    }
}

qint64 BaseWatchFolderOperator::getTotalImageFileCount(const QString& folder, qint64 startCount) const
{
    qint64 count = startCount;
    qint64 bytes = 0;
    measureFolder(folder, count, bytes);
    return count;
}

TransferJob::ImageTotals BaseWatchFolderOperator::getTotalImages(const QString& folder) const
{
    ImageTotals totals;
    measureFolder(folder, totals.count, totals.bytes);
    return totals;
}

void BaseWatchFolderOperator::measureFolder(const QString& folder, qint64& count, qint64& bytes)
{
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& name : entries) {
        const QFileInfo info(folder + QLatin1Char('/') + name);
        if (info.isDir()) {
            if (name != QLatin1String(".Trashes") && !info.isSymLink())
                measureFolder(info.filePath(), count, bytes);
        } else if (!name.startsWith(QLatin1Char('.')) && name.endsWith(QLatin1String(".JPG"))) {
            ++count;
            bytes += info.size();
        }
    }
}

void BaseWatchFolderOperator::logoutExifInformation(const ExifEntity& record, const QString& sourcePath,
                                                    const QString& /*destinationPath*/)
{
    const ExtendedMakerNoteEntity empty;
    const ExtendedMakerNoteEntity& extended =
        record.extendedMakerNoteEntity ? *record.extendedMakerNoteEntity : empty;
    const bool secondGeneration = isSecondGeneration(record);
    const auto plain = [](const std::optional<QString>& text) {
        return text.value_or(QStringLiteral("(null)"));
    };
    const auto suffixText = [](QString suffix) { return suffix.remove(QLatin1Char('_')).toUpper(); };

    Logger::debug(QStringLiteral("対象ファイル取得：%1(%2bytes)").arg(sourcePath).arg(record.fileSize));
    Logger::debug(QStringLiteral("Exif情報：オリジナル撮影日時[%1]").arg(plain(record.dateTimeOriginal)));
    Logger::debug(QStringLiteral("Exif情報：ファイル変更日時[%1]").arg(plain(record.fileDateTime)));
    Logger::debug(QStringLiteral("Exif情報：機種[%1]").arg(nullToBlank(record.model).trimmed()));
    Logger::debug(QStringLiteral("Exif情報：ソフトウェア[%1]").arg(plain(record.software)));
    Logger::debug(QStringLiteral("Exif情報：メーカーノートバージョン：%1.%2")
                      .arg(plain(extended.majorVersion), plain(extended.minorVersion)));
    Logger::debug(
        QStringLiteral("Exif情報：メーカーノートシリアルNo.：%1").arg(nullToBlank(extended.serial)));
    Logger::debug(QStringLiteral("Exif情報：メーカーノートオーナー名：%1").arg(nullToBlank(extended.owner)));
    Logger::debug(QStringLiteral("Exif情報：メーカーノートカメラ情報：%1")
                      .arg(QStringLiteral("【Identifier】%1 【TimeZone】%2 【SummerTime】%3")
                               .arg(nullToBlank(extended.identifier), nullToBlank(extended.timeZone),
                                    nullToBlank(extended.summerTime))));
    const QString mode = suffixText(secondGeneration ? getShootingModeString2(extended.shootingMode)
                                                     : getShootingModeString(extended.shootingMode));
    const QString information =
        suffixText(secondGeneration ? getAdditionalInformationString2(record.additionalInformation)
                                    : getAdditionalInformationString(record.additionalInformation));
    Logger::debug(QStringLiteral("Exif情報：メーカーノート患者情報：%1")
                      .arg(QStringLiteral("【撮影モード】%1 【付属情報】%2 【患者ID】%3 【患者名】%4")
                               .arg(mode, information, nullToBlank(extended.patientID),
                                    nullToBlank(extended.patientName))));
    Logger::debug(QStringLiteral("Exif情報：メーカーノートダンプ：%1").arg(plain(record.extendedMakerNote)));
}
