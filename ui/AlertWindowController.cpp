#include "ui/AlertWindowController.h"

#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"
#include "ui_AlertWindowController.h"

#include <QStyle>

AlertWindowController::AlertWindowController() : m_ui(new Ui::AlertWindowController) {}

AlertWindowController::~AlertWindowController() = default;

void AlertWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &AlertWindowController::closeButtonClick);
}

void AlertWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(m_confirmTitleFlag ? QStringLiteral("AlertWindow_Title_Confirm")
                                                              : QStringLiteral("AlertWindow_Title")));
    const QStyle::StandardPixmap icon =
        m_confirmTitleFlag ? QStyle::SP_MessageBoxInformation : QStyle::SP_MessageBoxWarning;
    m_ui->iconLabel->setPixmap(window()->style()->standardIcon(icon).pixmap(48, 48));
    m_ui->closeButton->setText(Strings::text(QStringLiteral("AlertWindow_CloseButton")));
    m_ui->messageLabel->setText(m_message);
}

void AlertWindowController::closeButtonClick()
{
    if (m_showConfigWindowFlag) {
        TrevaselWindowManager& manager =
            trevaselWindowManager() ? *trevaselWindowManager() : TrevaselWindowManager::sharedInstance();
        if (BaseWindowController* config = manager.getWindowController(TrevaselWindowManager::Config)) {
            config->showWindow();
            config->orderFront();
        }
    }
    close();
}
