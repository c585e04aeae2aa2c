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
    const QString configured = qEnvironmentVariable("TREVASEL_VOLUMES_ROOT");
    if (!configured.isEmpty())
        return QDir::cleanPath(configured);
    const QString user = userName();
    const QString media = QStringLiteral("/media/") + user;
    const QString runMedia = QStringLiteral("/run/media/") + user;
    if (!QFileInfo(media).isDir() && QFileInfo(runMedia).isDir())
        return runMedia;
    return media;
}
