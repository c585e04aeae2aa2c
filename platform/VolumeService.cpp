#include "platform/VolumeService.h"

#include <QDir>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

namespace {

QString userName()
{
    const QString fromEnvironment = qEnvironmentVariable("USER");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

} // namespace

QString VolumeService::volumesFolder()
{
    const QStringList folders = volumesFolders();
    if (folders.size() > 1 && !QFileInfo(folders.at(0)).isDir() && QFileInfo(folders.at(1)).isDir())
        return folders.at(1);
    return folders.at(0);
}

QStringList VolumeService::volumesFolders()
{
    const QString configured = qEnvironmentVariable("TREVASEL_VOLUMES_ROOT");
    if (!configured.isEmpty())
        return {QDir::cleanPath(configured)};
    const QString user = userName();
    return {QStringLiteral("/media/") + user, QStringLiteral("/run/media/") + user};
}
