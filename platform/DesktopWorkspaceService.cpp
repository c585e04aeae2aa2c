#include "platform/DesktopWorkspaceService.h"

#include "platform/Logger.h"

#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

void DesktopWorkspaceService::openUrl(const QUrl& url, Failed failed)
{
    open(url, url.toString(QUrl::FullyEncoded), std::move(failed));
}

void DesktopWorkspaceService::openFolder(const QString& folder, Failed failed)
{
    if (!QFileInfo(folder).isDir()) {
        Logger::info(QStringLiteral("no folder to open at %1").arg(folder));
        if (failed)
            failed();
        return;
    }
    open(QUrl::fromLocalFile(folder), folder, std::move(failed));
}

void DesktopWorkspaceService::open(const QUrl& url, const QString& argument, Failed failed)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url)) {
            Logger::info(QStringLiteral("no program opened %1").arg(url.toString()));
            if (failed)
                failed();
        }
        return;
    }
    // Without a parent, and deleted only once it has ended: deleting a running QProcess kills it, and
    // without a desktop xdg-open runs as long as the file viewer or browser it started, which must
    // outlive this program. What xdg-open prints goes to the program's log.
    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({argument});
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    const QDeadlineTimer answerTime(kAnswerTime);
    const auto giveUp = [failed, argument](const QString& why) {
        Logger::info(QStringLiteral("no program opened %1 (%2)").arg(argument, why));
        if (failed)
            failed();
    };
    QObject::connect(process, &QProcess::finished, process,
                     [process, answerTime, giveUp](int exitCode, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if (answerTime.hasExpired())
                             return;
                         if (status != QProcess::NormalExit)
                             giveUp(QStringLiteral("xdg-open crashed"));
                         else if (exitCode != 0)
                             giveUp(QStringLiteral("xdg-open ended with %1").arg(exitCode));
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, giveUp](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         process->deleteLater();
                         giveUp(process->errorString());
                     });
    process->start();
}
