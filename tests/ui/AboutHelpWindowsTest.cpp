#include "UiTestSupport.h"

#include "platform/fake/FakeWorkspaceService.h"
#include "ui/HelpWindowController.h"
#include "ui/LinkTextField.h"
#include "ui/UpdateCheckWindowController.h"
#include "ui/WorkspaceOpener.h"

#include <QPdfDocument>
#include <QPushButton>
#include <QTest>

using AboutHelpWindows = UiTest;

TEST_F(AboutHelpWindows, VersionWindowShowsTheShortVersionAndTheBuild)
{
    BaseWindowController* about = TrevaselWindowManager::sharedInstance().getWindowController(5);
    about->showWindow();
    EXPECT_EQ(labelText(about, "versionNumberTextField"), QStringLiteral(TREVASEL_VERSION));
    EXPECT_TRUE(labelText(about, "buildNumberLabel").contains(QStringLiteral(TREVASEL_BUILD_NUMBER)));
}

TEST_F(AboutHelpWindows, UpdateAndVersionWindowsCloseWithTheirCloseButton)
{
    TrevaselWindowManager& manager = TrevaselWindowManager::sharedInstance();
    for (int id : {TrevaselWindowManager::UpdateCheck, TrevaselWindowManager::VersionInformation}) {
        BaseWindowController* controller = manager.getWindowController(id);
        if (auto* update = qobject_cast<UpdateCheckWindowController*>(controller))
            update->setResult(UpdateCheckResult{});
        controller->showWindow();
        auto* close = controller->window()->findChild<QPushButton*>(QStringLiteral("closeButton"));
        ASSERT_NE(close, nullptr) << id;
        EXPECT_EQ(close->text(), QStringLiteral("Close"));
        QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_FALSE(manager.checkWindow(id)) << id << " closes as its close box does";
    }
}

TEST_F(AboutHelpWindows, HelpShowsTheManualOfTheReadersLanguage)
{
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("ja")}) {
        Strings::setLanguage(language);
        auto* help = new HelpWindowController;
        help->showWindow();
        EXPECT_TRUE(HelpWindowController::getPDFUrl().endsWith(language + QStringLiteral(".pdf")));
        EXPECT_EQ(help->document()->status(), QPdfDocument::Status::Ready) << qPrintable(language);
        EXPECT_GE(help->document()->pageCount(), 3);
        help->close();
    }
    flushDeletes();
}

TEST_F(AboutHelpWindows, LinkFieldOpensOnlyHttpAndHttpsAddresses)
{
    FakeWorkspaceService workspace;
    WorkspaceOpener::setService(&workspace);
    LinkTextField field;
    field.resize(100, 20);
    for (const char* link : {"", "ftp://example.test", "HTTP://example.test", "mailto:a@example.test",
                             "http://example.test/a", "https://example.test/b"}) {
        field.setLink(QString::fromLatin1(link));
        QTest::mouseClick(&field, Qt::LeftButton);
    }
    WorkspaceOpener::setService(nullptr);
    EXPECT_EQ(workspace.openedUrls(), (QList<QUrl>{QUrl(QStringLiteral("http://example.test/a")),
                                                   QUrl(QStringLiteral("https://example.test/b"))}));
}
