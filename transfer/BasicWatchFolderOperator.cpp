#include "transfer/BasicWatchFolderOperator.h"

#include "metadata/CameraModelCheck.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"

#include <QDir>
#include <QFileInfo>

bool BasicWatchFolderOperator::checkValidImageData(const ExifEntity& record)
{
    return CameraModelCheck::checkValidImageDataBasic(record);
}

QString BasicWatchFolderOperator::getNewImageFileName(const ExifEntity& record, int index)
{
    // The basic edition's record has no extended maker note, so the plain generation applies.
    return NamingRules::getNewImageFileName(record, index, QStringLiteral(".JPG"));
}

std::optional<QString> BasicWatchFolderOperator::getValidNewImageFileName(const QString& folder,
                                                                          const ExifEntity& record)
{
    const bool plainNameExists =
        QFileInfo::exists(folder + QLatin1Char('/') + getNewImageFileName(record, 0));
    Logger::plain(QStringLiteral("isExistSameName:[%1]").arg(plainNameExists ? 1 : 0));
    const auto reader = [](const QString& existing) { return BasicExifOperator().getExifData(existing); };
    return NamingRules::getValidNewImageFileName(folder, QStringLiteral("JPG"), record, reader);
}

void BasicWatchFolderOperator::copyImage(const QString& sourceFolder, const SettingsSnapshot& settings,
                                         bool isMove)
{
    // The count runs on over the calls of one job object: the basic edition never resets it.
    const QString& root = settings.destinationFolderPath;
    const QStringList entries = QDir(sourceFolder).entryList(QDir::Files | QDir::System, QDir::Unsorted);
    for (const QString& name : entries) {
        if (stopRequested())
            break;
        if (name.startsWith(QLatin1Char('.')) || !name.endsWith(QLatin1String(".JPG")))
            continue;
        const QString path = sourceFolder + QLatin1Char('/') + name;
        const QFileInfo info(path);
        if (info.isSymLink() || !info.isFile()) {
            Logger::plain(QStringLiteral("skipped %1: not a regular file").arg(path));
            continue;
        }
        if (!isSettled(info))
            continue;
        const auto record = m_reader.getExifData(path);
        if (!record || !checkValidImageData(*record))
            continue;
        if (!isShootingDate(record->dateTimeOriginal)) {
            Logger::plain(QStringLiteral("skipped %1: its shooting date \u201c%2\u201d is no date")
                              .arg(path, record->dateTimeOriginal.value_or(QString())));
            continue;
        }
        if (settings.dontSendPatientInformationImage &&
            record->shootingMode.value_or(QString()).toUpper() == QLatin1String("FE")) {
            if (settings.deleteOriginalImage)
                FileSystem::removeFile(path);
            continue;
        }
        if (root.isEmpty() || !QDir::isAbsolutePath(root)) {
            Logger::plain(
                QStringLiteral(
                    "The destination folder \u201c%1\u201d is not an absolute path; %2 stays in place.")
                    .arg(root, path));
            continue;
        }

        QString folder = getPatientFolderBasic(*record, settings);
        if (settings.saveDaySubfolder) {
            const auto day = getDaySubfolderName(*record, settings.folderDateFormat);
            if (!day)
                continue;
            folder += QLatin1Char('/') + *day;
        }
        const QString destination = root + QLatin1Char('/') + neutraliseRelativeFolder(folder);
        FileSystem::makePath(destination);
        const auto target = getValidNewImageFileName(destination, *record);
        if (!target)
            continue;
        const FileSystem::CopyChecks checks{{}, settings.verifyCopies};
        const FileSystem::Result result = isMove ? FileSystem::moveFile(path, *target, checks)
                                                 : FileSystem::copyFile(path, *target, checks);
        if (!result.ok) {
            // A picture that did not arrive is not counted as transferred.
            Logger::plain(result.error);
            continue;
        }
        countTransfer(path, *target);
    }
}

qint64 BasicWatchFolderOperator::getTotalImageFileCount(const QString& folder, qint64 startCount) const
{
    qint64 count = startCount;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::System, QDir::Unsorted))
        if (!name.startsWith(QLatin1Char('.')) && name.endsWith(QLatin1String(".JPG")))
            ++count;
    return count;
}
