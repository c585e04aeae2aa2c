#include "UiTestSupport.h"

#include "ui/AlertWindowController.h"
#include "ui/CopyResultWindowController.h"
#include "ui/DuplicateWindowController.h"
#include "ui/ProgressWindowController.h"
#include "ui/SDCopyConfirmWindowController.h"

#include <QPointer>
#include <QTest>

using namespace std::chrono_literals;

class TransferDialogs : public UiTest
{
protected:
    void TearDown() override
    {
        CopyResultWindowController::setAutoCloseInterval(CopyResultWindowController::kAutoCloseInterval);
        UiTest::TearDown();
    }

    TrevaselWindowManager& manager = TrevaselWindowManager::sharedInstance();

    template <typename Controller> Controller* take(int id)
    {
        return qobject_cast<Controller*>(manager.getWindowController(id));
    }

    // A card of two folders holding 3 and 2 pictures, recording the batches it is asked to run.
    SDCopyConfirmWindowController* confirmationForCard()
    {
        auto* confirm = take<SDCopyConfirmWindowController>(TrevaselWindowManager::SDCopyConfirm);
        confirm->setFolderArray({QStringLiteral("/card"), QStringLiteral("/card/DCIM")});
        confirm->setCardTransfer({[](const QString& folder) { return folder.endsWith(u"DCIM") ? 2 : 3; },
                                  [this](const QStringList& folders) {
                                      m_batches << folders;
                                      m_progressOpenDuringBatch
                                          << manager.checkWindow(TrevaselWindowManager::Progress);
                                  }});
        confirm->showWindow();
        return confirm;
    }

    QList<QStringList> m_batches;
    QList<bool> m_progressOpenDuringBatch;
};

TEST_F(TransferDialogs, ResultWindowClosesItselfWhenLeftAlone)
{
    CopyResultWindowController::setAutoCloseInterval(30ms);
    auto* result = take<CopyResultWindowController>(TrevaselWindowManager::CopyResult);
    result->setFileCount(7);
    result->showWindow();
    EXPECT_EQ(labelText(result, "messageLabel"), QStringLiteral("Pictures imported: 7"));
    EXPECT_TRUE(result->isAutoCloseTimerActive());

    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !manager.checkWindow(TrevaselWindowManager::CopyResult); }, 2000));
}

TEST_F(TransferDialogs, ResultButtonStopsTheTimerAndNoPicturesHasItsOwnText)
{
    auto* result = take<CopyResultWindowController>(TrevaselWindowManager::CopyResult);
    result->showWindow();
    EXPECT_EQ(labelText(result, "messageLabel"),
              Strings::text(QStringLiteral("CopyResultWindow_NoImageMessageLabel")));

    result->closeButtonClick();
    EXPECT_FALSE(result->isAutoCloseTimerActive());
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::CopyResult));
}

TEST_F(TransferDialogs, BasicResultPutsTheCountInFrontAndStaysOpen)
{
    TrevaselCommon::setEdition(Edition::Basic);
    auto* result = take<CopyResultWindowController>(TrevaselWindowManager::CopyResult);
    result->setFileCount(4);
    result->showWindow();
    EXPECT_EQ(labelText(result, "messageLabel"), QStringLiteral("4 picture(s) imported."));
    EXPECT_FALSE(result->isAutoCloseTimerActive());
}

TEST_F(TransferDialogs, ConfirmOkOpensProgressWithTheSumAndRunsTheBatchAfterTheClick)
{
    QPointer<SDCopyConfirmWindowController> confirm = confirmationForCard();
    confirm->okButtonClick();

    EXPECT_TRUE(m_batches.isEmpty()) << "the batch is queued, not run inside the click";
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::SDCopyConfirm));
    auto* progress = take<ProgressWindowController>(TrevaselWindowManager::Progress);
    EXPECT_EQ(progress->totalCount(), 5);
    EXPECT_TRUE(progress->window()->isVisible());

    flushDeletes(); // the closed confirmation is gone before its batch runs
    EXPECT_TRUE(confirm.isNull());
    QCoreApplication::processEvents();
    ASSERT_EQ(m_batches.size(), 1);
    EXPECT_EQ(m_batches.first(), QStringList({QStringLiteral("/card"), QStringLiteral("/card/DCIM")}));
    EXPECT_EQ(m_progressOpenDuringBatch, QList<bool>{true});
}

TEST_F(TransferDialogs, ConfirmCancelRunsNothingAndOpensNoProgress)
{
    confirmationForCard()->cancelButtonClick();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_batches.isEmpty());
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::Progress));
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::SDCopyConfirm));
}

TEST_F(TransferDialogs, BasicConfirmRunsTheBatchBeforeClosingWithoutProgress)
{
    TrevaselCommon::setEdition(Edition::Basic);
    confirmationForCard()->okButtonClick();
    EXPECT_EQ(m_batches.size(), 1);
    EXPECT_EQ(m_progressOpenDuringBatch, QList<bool>{false});
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::SDCopyConfirm));
}

TEST_F(TransferDialogs, AlertTitleFollowsItsFlagAndClosingTheDuplicateWindowEndsTheProgram)
{
    auto* alert = take<AlertWindowController>(TrevaselWindowManager::Alert);
    alert->setMessage(QStringLiteral("disk full"));
    alert->setConfirmTitleFlag(true);
    alert->setShowConfigWindowFlag(true);
    alert->showWindow();
    EXPECT_EQ(alert->window()->windowTitle(), Strings::text(QStringLiteral("AlertWindow_Title_Confirm")));
    EXPECT_EQ(labelText(alert, "messageLabel"), QStringLiteral("disk full"));
    alert->closeButtonClick();
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::Alert));
    ASSERT_TRUE(manager.checkWindow(TrevaselWindowManager::Config)) << "the alert leads on to the settings";
    EXPECT_TRUE(manager.getWindowController(TrevaselWindowManager::Config)->window()->isVisible());

    int quits = 0;
    DuplicateWindowController::setQuitHandler([&] { ++quits; });
    auto* duplicate = take<DuplicateWindowController>(TrevaselWindowManager::Duplicate);
    duplicate->showWindow();
    duplicate->window()->close(); // the close box, not only the button
    DuplicateWindowController::setQuitHandler({});
    EXPECT_EQ(quits, 1);
}
