// Folders and web pages opened from the windows and the tray menu, through a workspace that may fail.
#include "UiTestSupport.h"

#include "platform/fake/FakeWorkspaceService.h"
#include "ui/WorkspaceOpener.h"

#include <QLabel>

class Opening : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        WorkspaceOpener::setService(&m_workspace);
    }
    void TearDown() override
    {
        WorkspaceOpener::setService(nullptr);
        UiTest::TearDown();
    }

    // The message labels of the alert windows on screen.
    static QList<QLabel*> alertMessages()
    {
        QList<QLabel*> labels;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() && window->objectName() == QLatin1String("AlertWindowController"))
                labels << window->findChild<QLabel*>(QStringLiteral("messageLabel"));
        return labels;
    }

    FakeWorkspaceService m_workspace;
};

TEST_F(Opening, AFolderThatCannotBeOpenedIsSaidWithItsPathOnTheWindowThatAskedElseInAnAlert)
{
    const QString folder = QStringLiteral("/srv/practice/Pictures/0000012345 YAMADA TARO");
    BaseWindowController* about = TrevaselWindowManager::sharedInstance().getWindowController(
        TrevaselWindowManager::VersionInformation);
    about->showWindow();
    WorkspaceOpener::openFolder(folder, about->window());
    EXPECT_TRUE(DialogService::shownSheets().empty()) << "opened: nothing to say";

    m_workspace.setSucceeds(false);
    WorkspaceOpener::openFolder(folder, about->window());
    ASSERT_EQ(DialogService::shownSheets().size(), 1u);
    EXPECT_EQ(DialogService::shownSheets().front().message,
              QStringLiteral("The folder could not be opened. Its path is:"));
    EXPECT_EQ(DialogService::shownSheets().front().informativeText, folder);
    EXPECT_TRUE(alertMessages().isEmpty());

    // The tray menu has no window: an alert of its own, whose path can be selected and copied.
    Strings::setLanguage(QStringLiteral("ja"));
    WorkspaceOpener::openFolder(folder);
    ASSERT_EQ(alertMessages().size(), 1);
    EXPECT_EQ(alertMessages().front()->text(),
              QStringLiteral("フォルダを開けませんでした。フォルダの場所は次のとおりです。\n") + folder);
    EXPECT_TRUE(alertMessages().front()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(m_workspace.openedFolders(), QStringList(3, folder));
}
