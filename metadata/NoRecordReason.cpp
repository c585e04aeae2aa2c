#include "metadata/NoRecordReason.h"

#include <QFileInfo>

NoRecordReason openFailureReason(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return NoRecordReason::Missing;
    if (!info.isFile())
        return NoRecordReason::NotRegularFile;
    return NoRecordReason::Unreadable;
}
