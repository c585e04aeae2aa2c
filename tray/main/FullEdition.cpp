#include "tray/EditionParts.h"

#include "app/SettingsMigration.h"
#include "app/TrevaselCommon.h"
#include "dicom/DicomSender.h"
#include "history/HistoryDatabase.h"
#include "history/ImportedFileDao.h"
#include "transfer/BaseWatchFolderOperator.h"

namespace {

DetailConfigWindowController::PeerTestAnswer testPeer(const DicomPeer& peer)
{
    using Answer = DetailConfigWindowController::PeerTestAnswer;
    const DicomSender::Answer echoed = DicomSender::echo(peer);
    switch (echoed.outcome) {
    case DicomSender::Outcome::Done:
        return {Answer::Outcome::Answered, echoed.detail};
    case DicomSender::Outcome::AssociationRefused:
        return {Answer::Outcome::AssociationRefused, echoed.detail};
    case DicomSender::Outcome::NoAnswer:
    case DicomSender::Outcome::Refused:
        return {Answer::Outcome::NoEchoAnswer, echoed.detail};
    case DicomSender::Outcome::NoConnection:
        break;
    }
    return {Answer::Outcome::NoConnection, echoed.detail};
}

} // namespace

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
            },
            testPeer};
}
