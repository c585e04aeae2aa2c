#include "metadata/CameraFileNames.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace CameraFileNames {

bool isStill(const QString& name)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(.+\.(JPG$|jpg$|JPEG$|jpeg$|jpe$|jfif$|jfi$|jif$))"));
    return pattern.match(name).hasMatch();
}

bool isMovieIndex(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral(R"(.+\.(MIF$|mif$))"));
    return pattern.match(name).hasMatch();
}

std::optional<QString> companionMovie(const QString& indexPath)
{
    for (const char* index : {".MIF", ".mif"}) {
        if (!indexPath.contains(QLatin1String(index)))
            continue;
        for (const char* movie : {".MOV", ".mov"}) {
            const QString candidate = QString(indexPath).replace(QLatin1String(index), QLatin1String(movie));
            if (QFileInfo::exists(candidate))
                return candidate;
        }
    }
    return std::nullopt;
}

} // namespace CameraFileNames
