#include "ui/SDCopyConfirmWindowController.h"

#include "app/TrevaselCommon.h"
#include "platform/Logger.h"
#include "ui/ProgressWindowController.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"
#include "ui_SDCopyConfirmWindowController.h"

#include <QCoreApplication>
#include <QStyle>

#include <algorithm>
#include <exception>
#include <limits>

namespace {

void runBatch(const CardTransfer& transfer, const QStringList& folders)
{
    if (!transfer.copyImage)
        return;
    // The batch reports its own failures; nothing may cross the event loop.
    try {
        transfer.copyImage(folders);
    } catch (const std::exception& e) {
        Logger::info(QStringLiteral("card transfer ended: %1").arg(QString::fromUtf8(e.what())));
    }
}

} // namespace

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
    if (TrevaselCommon::edition() == Edition::Basic) {
        runBatch(m_cardTransfer, m_folderArray);
        close();
        return;
    }
    openProgressWindow();
    // The batch runs from the event loop once this click has been handled; the copies keep the job
    // and the folder list alive until then, whatever happens to this controller.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [transfer = m_cardTransfer, folders = m_folderArray] { runBatch(transfer, folders); },
        Qt::QueuedConnection);
    close();
}

void SDCopyConfirmWindowController::cancelButtonClick()
{
    close();
}

void SDCopyConfirmWindowController::openProgressWindow()
{
    qint64 total = 0;
    if (m_cardTransfer.getTotalImageFileCount)
        for (const QString& folder : m_folderArray)
            total += m_cardTransfer.getTotalImageFileCount(folder);
    TrevaselWindowManager& manager =
        trevaselWindowManager() ? *trevaselWindowManager() : TrevaselWindowManager::sharedInstance();
    auto* progress =
        qobject_cast<ProgressWindowController*>(manager.getWindowController(TrevaselWindowManager::Progress));
    if (!progress)
        return;
    progress->setTotalCount(
        static_cast<qint32>(std::clamp<qint64>(total, 0, std::numeric_limits<qint32>::max())));
    progress->showWindow();
    progress->orderFront();
}
