#include "tray/EditionParts.h"

#include "app/SettingsMigration.h"
#include "app/TrevaselCommon.h"
#include "history/HistoryDatabase.h"
#include "history/ImportedFileDao.h"
#include "transfer/BaseWatchFolderOperator.h"

EditionParts editionParts()
{
    return {Edition::Full,
            QStringLiteral("TrevaselForPravena"),
            [] { return std::make_unique<BaseWatchFolderOperator>(TrevaselCommon::getDBFilePath()); },
            [](const QString& path) { HistoryDatabase::createIfMissing(path); },
            [](const QString& path, qint64 before) { ImportedFileDao(path).deleteBeforeDatetime(before); },
            [](const QVariantMap& stored) {
                SettingsMigration::doUpdate(
                    stored, [] { HistoryDatabase::addTransferColumns(TrevaselCommon::getDBFilePath()); });
            }};
}
