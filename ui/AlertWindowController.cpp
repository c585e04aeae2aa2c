#include "ui/AlertWindowController.h"

#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"
#include "ui_AlertWindowController.h"

#include <QPlainTextEdit>
#include <QPushButton>
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
    if (m_details.isEmpty())
        return;
    // The technical text is there for whoever helps the practice, out of the way until asked for.
    auto* details = new QPlainTextEdit(m_details, window());
    details->setReadOnly(true);
    details->setVisible(false);
    details->setMaximumHeight(120);
    m_ui->mainLayout->insertWidget(1, details);
    auto* toggle = new QPushButton(Strings::text(QStringLiteral("AlertWindow_DetailsButton")), window());
    toggle->setObjectName(QStringLiteral("detailsButton"));
    toggle->setCheckable(true);
    m_ui->buttonLayout->insertWidget(0, toggle);
    connect(toggle, &QPushButton::toggled, window(), [this, details](bool shown) {
        details->setVisible(shown);
        // The wrapped message keeps its height for the window's width, not for a narrower guess.
        window()->resize(window()->width(), window()->layout()->heightForWidth(window()->width()));
    });
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
