#include "UiTestSupport.h"

#include "ui/ProgressWindowController.h"

#include <QProgressBar>

using ProgressWindow = UiTest;

TEST_F(ProgressWindow, FourExpectedPicturesReadTwentyFiveToOneHundredAndAFifthStaysAtOneHundred)
{
    auto* progress = qobject_cast<ProgressWindowController*>(
        TrevaselWindowManager::sharedInstance().getWindowController(TrevaselWindowManager::Progress));
    progress->setTotalCount(4);
    progress->showWindow();
    EXPECT_EQ(labelText(progress, "progressLabel"), QStringLiteral("0"));

    QStringList shown;
    for (int i = 0; i < 5; ++i) {
        progress->updateProgress();
        shown << labelText(progress, "progressLabel");
    }
    EXPECT_EQ(shown.join(u','), QStringLiteral("25,50,75,100,100"));
    EXPECT_EQ(progress->window()->findChild<QProgressBar*>()->value(), 100);
}

TEST_F(ProgressWindow, NothingExpectedShowsDoneAndAThirdIsTruncated)
{
    EXPECT_EQ(ProgressWindowController::percentFor(1, 0), 100.0);
    EXPECT_EQ(ProgressWindowController::percentFor(1, -3), 100.0);
    auto* progress = new ProgressWindowController;
    progress->setTotalCount(3);
    progress->showWindow();
    progress->updateProgress();
    EXPECT_EQ(labelText(progress, "progressLabel"), QStringLiteral("33"));
    progress->close();
}

TEST_F(ProgressWindow, ATotalThatArrivesLateRedrawsAndANewControllerCountsFromZero)
{
    auto* first = new ProgressWindowController;
    first->showWindow();
    first->updateProgress();
    first->updateProgress();
    first->updateProgress();
    first->setTotalCount(10);
    EXPECT_EQ(labelText(first, "progressLabel"), QStringLiteral("30"));
    first->close();
    flushDeletes();

    auto* second = new ProgressWindowController;
    second->setTotalCount(10);
    second->showWindow();
    second->updateProgress();
    EXPECT_EQ(labelText(second, "progressLabel"), QStringLiteral("10"));
    second->close();
}
