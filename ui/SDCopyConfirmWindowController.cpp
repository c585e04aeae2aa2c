#include "ui/SDCopyConfirmWindowController.h"

#include "ui/Strings.h"
#include "ui_SDCopyConfirmWindowController.h"

#include <QStyle>

SDCopyConfirmWindowController::SDCopyConfirmWindowController() : m_ui(new Ui::SDCopyConfirmWindowController)
{
}

SDCopyConfirmWindowController::~SDCopyConfirmWindowController() = default;

void SDCopyConfirmWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    connect(m_ui->okButton, &QPushButton::clicked, this, &SDCopyConfirmWindowController::okButtonClick);
    connect(m_ui->cancelButton, &QPushButton::clicked, this,
            &SDCopyConfirmWindowController::cancelButtonClick);
}

void SDCopyConfirmWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(QStringLiteral("SDCopyConfirmWindow_Title")));
    m_ui->iconLabel->setPixmap(window()->style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(48, 48));
    m_ui->messageLabel->setText(Strings::text(QStringLiteral("SDCopyConfirmWindow_MessageLabel")));
    m_ui->okButton->setText(Strings::text(QStringLiteral("SDCopyConfirmWindow_OKButton")));
    m_ui->cancelButton->setText(Strings::text(QStringLiteral("SDCopyConfirmWindow_CancelButton")));
}

void SDCopyConfirmWindowController::okButtonClick()
{
    window()->hide();
    Q_EMIT importConfirmed(m_folderArray);
    close();
}

void SDCopyConfirmWindowController::cancelButtonClick()
{
    close();
}
