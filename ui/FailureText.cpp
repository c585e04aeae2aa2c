#include "ui/FailureText.h"

#include "ui/Strings.h"

#include <QStringList>

namespace FailureText {

QString plainWords(const QString& reason, bool fromCard, qint64 arrived)
{
    const auto text = [](const char* key) { return Strings::text(QString::fromLatin1(key)); };
    const auto mentions = [&](std::initializer_list<const char*> words) {
        for (const char* word : words)
            if (reason.contains(QLatin1String(word), Qt::CaseInsensitive))
                return true;
        return false;
    };
    // The reason's wording comes from the file layer and the system; the cases a practice meets.
    QString what;
    if (mentions({"No space left", "Disk quota"}))
        what = text("Failure_DiskFull");
    else if (mentions({"Permission denied", "Read-only file system", "Operation not permitted"}))
        what = text("Failure_NotWritable");
    else if (mentions({"did not read back equal"}))
        what = text("Failure_CopyDiffers");
    else if (mentions({"not set", "No such file", "not an absolute path", "outside the destination",
                       "Transport endpoint", "Host is down", "No route"}))
        what = text("Failure_Unreachable");
    else
        what = text("Failure_Other");
    QStringList lines{what};
    lines << (fromCard ? text("Failure_SafeOnCard") : text("Failure_SafeInWatchFolder"));
    if (arrived > 0)
        lines << text("Failure_ArrivedSafe").arg(arrived);
    lines << (fromCard ? text("Failure_WhatToDoCard") : text("Failure_WhatToDoWatchFolder"));
    return lines.join(QLatin1Char('\n'));
}

} // namespace FailureText
