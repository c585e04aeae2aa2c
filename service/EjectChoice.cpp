#include "service/EjectChoice.h"

#include <QDir>

namespace EjectChoice {

bool isWithin(const QString& path, const QString& folder)
{
    const QString cleanPath = QDir::cleanPath(path);
    const QString cleanFolder = QDir::cleanPath(folder);
    if (cleanFolder.isEmpty())
        return false;
    if (cleanPath == cleanFolder)
        return true;
    const QString prefix =
        cleanFolder.endsWith(QLatin1Char('/')) ? cleanFolder : cleanFolder + QLatin1Char('/');
    return cleanPath.startsWith(prefix);
}

QStringList mediaToEject(const QStringList& folders, const QStringList& media)
{
    QStringList chosen;
    for (const QString& folder : folders) {
        for (const QString& medium : media) {
            if (!isWithin(folder, medium))
                continue;
            if (!chosen.contains(medium))
                chosen << medium;
            break;
        }
    }
    return chosen;
}

} // namespace EjectChoice
