#include "metadata/ExtendedMakerNoteEntity.h"

#include "platform/TextNumber.h"

int namingGeneration(const std::optional<ExtendedMakerNoteEntity>& record)
{
    return record && record->majorVersion ? TextNumber::intFromText(*record->majorVersion) : 0;
}
