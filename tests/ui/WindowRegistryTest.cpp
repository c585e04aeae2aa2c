#include "UiTestSupport.h"

#include "ui/AlertWindowController.h"
#include "ui/ProgressWindowController.h"

#include <QApplication>
#include <QPointer>

namespace {

int openWindowsNamed(const char* className)
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(className) && widget->isVisible())
            ++count;
    return count;
}

} // namespace

using WindowRegistry = UiTest;

TEST_F(WindowRegistry, SecondRequestForAnOpenAlertGivesTheSameControllerAndOneWindow)
{
    TrevaselWindowManager& manager = TrevaselWindowManager::sharedInstance();
    BaseWindowController* first = manager.getWindowController(TrevaselWindowManager::Alert);
    ASSERT_NE(first, nullptr);
    first->showWindow();
    BaseWindowController* second = manager.getWindowController(TrevaselWindowManager::Alert);
    second->showWindow();

    EXPECT_EQ(first, second);
    EXPECT_EQ(first->trevaselWindowManager(), &manager);
    EXPECT_EQ(openWindowsNamed("AlertWindowController"), 1);
}

TEST_F(WindowRegistry, UnknownAndNotYetBuiltIdsGiveNothingAndRegisterNothing)
{
    TrevaselWindowManager& manager = TrevaselWindowManager::sharedInstance();
    for (int id : {-1, 12}) {
        EXPECT_EQ(manager.getWindowController(id), nullptr) << id;
        EXPECT_FALSE(manager.checkWindow(id)) << id;
    }
}

TEST_F(WindowRegistry, ClosingTheWindowForgetsAndEndsItsController)
{
    TrevaselWindowManager& manager = TrevaselWindowManager::sharedInstance();
    QPointer<BaseWindowController> progress = manager.getWindowController(TrevaselWindowManager::Progress);
    progress->showWindow();
    ASSERT_TRUE(manager.checkWindow(TrevaselWindowManager::Progress));

    progress->window()->close();
    EXPECT_FALSE(manager.checkWindow(TrevaselWindowManager::Progress));
    flushDeletes();
    EXPECT_TRUE(progress.isNull());

    BaseWindowController* fresh = manager.getWindowController(TrevaselWindowManager::Progress);
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(fresh->isWindowLoaded());
}

TEST_F(WindowRegistry, ClosingAnAlertMadeOutsideTheRegistryLeavesTheRegisteredOneAlone)
{
    TrevaselWindowManager& manager = TrevaselWindowManager::sharedInstance();
    BaseWindowController* registered = manager.getWindowController(TrevaselWindowManager::Alert);
    auto* own = new AlertWindowController;
    own->showWindow();
    own->close();
    flushDeletes();
    EXPECT_TRUE(manager.checkWindow(TrevaselWindowManager::Alert));
    EXPECT_EQ(manager.getWindowController(TrevaselWindowManager::Alert), registered);
}

TEST_F(WindowRegistry, BasicEditionKnowsOnlyIdsZeroToFiveAndTheDetailWindow)
{
    TrevaselCommon::setEdition(Edition::Basic);
    TrevaselWindowManager& manager = TrevaselWindowManager::sharedInstance();
    for (int id : {6, 8, 9, 10, 11, 12}) {
        EXPECT_EQ(manager.getWindowController(id), nullptr) << id;
        EXPECT_FALSE(manager.checkWindow(id)) << id;
    }
    EXPECT_NE(manager.getWindowController(TrevaselWindowManager::CopyResult), nullptr);
    EXPECT_NE(manager.getWindowController(TrevaselWindowManager::SDCopyConfirm), nullptr);
    EXPECT_NE(manager.getWindowController(TrevaselWindowManager::Config), nullptr);
    for (int id : {2, 4, 5, 7})
        EXPECT_EQ(manager.getWindowController(id)->getTrevaselWindow(), id);
}

TEST_F(WindowRegistry, AboutHelpAndCheckWindowsAreMadeUnderTheirIds)
{
    TrevaselWindowManager& manager = TrevaselWindowManager::sharedInstance();
    for (int id : {2, 4, 5, 9}) {
        BaseWindowController* controller = manager.getWindowController(id);
        ASSERT_NE(controller, nullptr) << id;
        EXPECT_EQ(controller->getTrevaselWindow(), id);
    }
}
