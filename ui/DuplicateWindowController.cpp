#include "ui/DuplicateWindowController.h"

#include "ui/Strings.h"
#include "ui_DuplicateWindowController.h"

#include <QCoreApplication>
#include <QStyle>

namespace {
std::function<void()>& quitHandler()
{
    static std::function<void()> handler = [] { QCoreApplication::quit(); };
    return handler;
}
} // namespace

DuplicateWindowController::DuplicateWindowController() : m_ui(new Ui::DuplicateWindowController) {}

DuplicateWindowController::~DuplicateWindowController() = default;

void DuplicateWindowController::setQuitHandler(std::function<void()> quit)
{
    quitHandler() = std::move(quit);
}

void DuplicateWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &DuplicateWindowController::closeButtonClick);
}

void DuplicateWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(QStringLiteral("DuplicateWindow_Title")));
    m_ui->iconLabel->setPixmap(
        window()->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    m_ui->duplicateMessageLabel->setText(Strings::text(QStringLiteral("DuplicateWindow_MessageLabel")));
    m_ui->closeButton->setText(Strings::text(QStringLiteral("DuplicateWindow_CloseButton")));
}

void DuplicateWindowController::closeButtonClick()
{
    close();
}

void DuplicateWindowController::windowWillClose()
{
    BaseWindowController::windowWillClose();
    if (quitHandler())
        quitHandler()();
}
