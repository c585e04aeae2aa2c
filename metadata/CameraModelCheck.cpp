#include "metadata/CameraModelCheck.h"

#include <QStringList>

namespace {

// Only spaces and tabs are trimmed; the fixed-width reads keep zero bytes and line breaks.
QString trimmed(const std::optional<QString>& text)
{
    if (!text)
        return QString();
    qsizetype begin = 0;
    qsizetype end = text->size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text->at(begin)))
        ++begin;
    while (end > begin && blank(text->at(end - 1)))
        --end;
    return text->sliced(begin, end - begin);
}

bool isFromMaker(const ExifEntity& record)
{
    return trimmed(record.imageDescription).contains(QLatin1String("KORVA DENTAL DIGITAL CAMERA")) &&
           trimmed(record.maker).contains(QLatin1String("KORVA INC."));
}

} // namespace

namespace CameraModelCheck {

bool checkValidImageData(const ExifEntity& record)
{
    static const QStringList models{QStringLiteral("Orthavisio K-22"), QStringLiteral("Orthavisio K-222"),
                                    QStringLiteral("Orthavisio K-44")};
    return isFromMaker(record) && models.contains(trimmed(record.model));
}

bool checkValidImageDataBasic(const ExifEntity& record)
{
    return isFromMaker(record) && trimmed(record.model).contains(QLatin1String("Orthavisio K-22"));
}

} // namespace CameraModelCheck
