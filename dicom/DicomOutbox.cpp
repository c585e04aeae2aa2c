#include "dicom/DicomOutbox.h"

#include "dicom/DicomSender.h"
#include "history/DicomOutboxDao.h"
#include "metadata/ExifOperator.h"
#include "platform/Logger.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

// The rows one delivery reads: the queue is worked through in passes of this many.
constexpr int kRowsPerPass = 500;

qint64 now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")).toLongLong();
}

// The log line of an export: written, failed for good, or failed for now and tried again later.
void logExport(const DicomResult& result, const QString& stillPath)
{
    if (result.ok)
        Logger::info(QStringLiteral("DICOM file written: %1").arg(result.path));
    else if (result.retry)
        Logger::info(
            QStringLiteral("no DICOM file for %1 yet, tried again later: %2").arg(stillPath, result.error));
    else
        Logger::info(QStringLiteral("no DICOM file for %1: %2").arg(stillPath, result.error));
}

bool usableFolder(const QString& folder)
{
    return !folder.isEmpty() && QDir::isAbsolutePath(folder);
}

} // namespace

DicomOutbox::DicomOutbox(QString databasePath, const SettingsSnapshot& settings)
    : m_databasePath(std::move(databasePath)), m_settings(settings)
{
}

DicomResult DicomOutbox::exportByPath(const QString& stillPath, const QString& dicomFolder)
{
    const std::optional<ExifEntity> record = ExifOperator().getExifData(stillPath);
    if (!record) {
        DicomResult result;
        result.error = QFileInfo::exists(stillPath) ? QStringLiteral("the picture has no camera record")
                                                    : QStringLiteral("the picture is no longer there");
        return result;
    }
    return DicomExport::exportStill(stillPath, *record, dicomFolder);
}

void DicomOutbox::stillArrived(const QString& stillPath, const ExifEntity& record) const
{
    if (!m_settings.dicomExport)
        return;
    const QString& folder = m_settings.dicomFolderPath;
    if (!usableFolder(folder)) {
        Logger::info(QStringLiteral("no DICOM file for %1: \"dicom folder path\" is not an absolute folder")
                         .arg(stillPath));
        return;
    }
    const DicomResult result = DicomExport::exportStill(stillPath, record, folder);
    logExport(result, stillPath);
    // Queued: a file to send, or one to write again; a picture that can give none is only logged.
    if (result.ok ? !m_settings.dicomSend : !result.retry)
        return;
    const DicomOutboxRow row{stillPath, result.path, result.ok ? 0 : 1, result.error, now()};
    const DicomOutboxDao queue(m_databasePath);
    if (!queue.put(row))
        Logger::warning(QStringLiteral("cannot queue the DICOM file of %1 (%2): %3")
                            .arg(stillPath, m_databasePath, queue.lastFailure().value_or(QString())));
}

DicomOutbox::Summary DicomOutbox::deliverWaiting(const std::function<bool()>& stop) const
{
    Summary summary;
    if (!m_settings.dicomExport)
        return summary;
    const DicomOutboxDao queue(m_databasePath);
    const bool send = m_settings.dicomSend;
    const DicomPeer& peer = m_settings.dicomPeer;
    DicomSender sender(peer);
    const QString server = DicomSender::peerName(peer);

    qint64 after = 0;
    for (bool more = true; more && !stop();) {
        const std::vector<DicomOutboxRow> rows = queue.waiting(after, kRowsPerPass);
        if (rows.empty() && queue.lastFailure()) {
            Logger::warning(QStringLiteral("cannot read the DICOM queue in %1: %2")
                                .arg(m_databasePath, *queue.lastFailure()));
            return summary;
        }
        more = !rows.empty();
        for (DicomOutboxRow row : rows) {
            if (stop())
                break;
            after = row.rowid;
            if (row.dicomPath.isEmpty() || !QFileInfo::exists(row.dicomPath)) {
                if (!usableFolder(m_settings.dicomFolderPath))
                    continue;
                const DicomResult result = exportByPath(row.stillPath, m_settings.dicomFolderPath);
                logExport(result, row.stillPath);
                if (!result.ok && !result.retry) {
                    queue.remove(row.stillPath);
                    continue;
                }
                if (!result.ok) {
                    ++row.attempts;
                    row.lastError = result.error;
                    queue.update(row);
                    continue;
                }
                ++summary.written;
                row.dicomPath = result.path;
                if (!send) {
                    queue.remove(row.stillPath);
                    continue;
                }
                queue.update(row);
            }
            if (!send || summary.serverUnreachable)
                continue;

            if (!sender.isOpen()) {
                const DicomSender::Answer opened = sender.open();
                if (!opened.done()) {
                    summary.serverUnreachable = true;
                    Logger::warning(DicomSender::describe(opened, server) +
                                    QStringLiteral("; the DICOM files wait for the next import"));
                    continue;
                }
            }
            const DicomSender::Answer sent = sender.send(row.dicomPath);
            if (sent.done()) {
                queue.remove(row.stillPath);
                ++summary.sent;
                Logger::info(
                    QStringLiteral("DICOM file sent to %1: %2%3")
                        .arg(server, row.dicomPath,
                             sent.detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(sent.detail)));
                continue;
            }
            ++row.attempts;
            row.lastError = sent.detail;
            queue.update(row);
            if (sent.outcome == DicomSender::Outcome::Refused) {
                ++summary.refused;
                Logger::warning(QStringLiteral("the imaging server %1 refused %2: %3")
                                    .arg(server, row.dicomPath, sent.detail));
            } else {
                Logger::warning(
                    QStringLiteral("DICOM file not sent to %1, it waits for the next import: %2: %3")
                        .arg(server, row.dicomPath, sent.detail));
            }
        }
    }
    sender.close();
    summary.waiting = queue.count();
    return summary;
}
