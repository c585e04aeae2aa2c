#include "tray/EditionParts.h"

#include "transfer/BasicWatchFolderOperator.h"

EditionParts editionParts()
{
    return {Edition::Basic,
            QStringLiteral("Trevasel"),
            [] { return std::make_unique<BasicWatchFolderOperator>(); },
            {},
            {},
            {},
            {}};
}
