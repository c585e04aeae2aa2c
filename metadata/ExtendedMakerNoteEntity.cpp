#include "metadata/ExtendedMakerNoteEntity.h"

#include <algorithm>
#include <limits>

int namingGeneration(const std::optional<ExtendedMakerNoteEntity>& record)
{
    if (!record || !record->majorVersion)
        return 0;
    const QString& text = *record->majorVersion;
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    const bool negative = i < text.size() && text.at(i) == QLatin1Char('-');
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        ++i;
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i)
        value = std::min<qint64>(value * 10 + (text.at(i).unicode() - '0'), qint64(std::numeric_limits<int>::max()) + 1);
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
