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

    // Two cards, recording the imports the window confirms.
    SDCopyConfirmWindowController* confirmationForCards()
    {
        auto* confirm = take<SDCopyConfirmWindowController>(TrevaselWindowManager::SDCopyConfirm);
        confirm->setFolderArray({QStringLiteral("/volumes/A"), QStringLiteral("/volumes/B")});
        QObject::connect(confirm, &SDCopyConfirmWindowController::importConfirmed,
                         [this](const QStringList& folders) { m_confirmed << folders; });
        confirm->showWindow();
        return confirm;
    }

    QList<QStringList> m_confirmed;
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

TEST_F(TransferDialogs, AResultOfACardTakenOutSaysSoAndStays)
{
    CopyResultWindowController::setAutoCloseInterval(30ms);
    auto* result = take<CopyResultWindowController>(TrevaselWindowManager::CopyResult);
    result->setFileCount(81);
    result->setCardRemoved(219);
    result->showWindow();
    EXPECT_TRUE(labelText(result, "messageLabel").startsWith(QStringLiteral("The card was taken out")));
    EXPECT_TRUE(labelText(result, "messageLabel").contains(QStringLiteral("81")));
    EXPECT_TRUE(labelText(result, "messageLabel").contains(QStringLiteral("219")));
    EXPECT_FALSE(result->isAutoCloseTimerActive());
}

TEST_F(TransferDialogs, ConfirmOkHandsTheCardsOnAndCancelHandsNothing)
{
    confirmationForCards()->cancelButtonClick();
    EXPECT_TRUE(m_confirmed.isEmpty());
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::SDCopyConfirm));
    flushDeletes();

    confirmationForCards()->okButtonClick();
    ASSERT_EQ(m_confirmed.size(), 1);
    EXPECT_EQ(m_confirmed.first(), QStringList({QStringLiteral("/volumes/A"), QStringLiteral("/volumes/B")}));
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::SDCopyConfirm));
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::Progress))
        << "the program opens it, not the window";
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
