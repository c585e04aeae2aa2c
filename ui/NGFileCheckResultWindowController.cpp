#include "ui/NGFileCheckResultWindowController.h"

#include "app/SettingsSnapshot.h"
#include "app/TrevaselCommon.h"
#include "platform/Logger.h"
#include "ui/DialogService.h"
#include "ui/Strings.h"
#include "ui_NGFileCheckResultWindowController.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <QTimer>

namespace {

std::function<QDateTime()>& nowSource()
{
    static std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    return now;
}

std::chrono::milliseconds retryDelay{std::chrono::seconds(1)};

} // namespace

NGFileCheckResultWindowController::NGFileCheckResultWindowController()
    : m_ui(new Ui::NGFileCheckResultWindowController)
{
}

NGFileCheckResultWindowController::~NGFileCheckResultWindowController() = default;

void NGFileCheckResultWindowController::setClock(std::function<QDateTime()> now)
{
    nowSource() = std::move(now);
}

void NGFileCheckResultWindowController::setRetryDelay(std::chrono::milliseconds delay)
{
    retryDelay = delay;
}

void NGFileCheckResultWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    connect(m_ui->saveFolderButton, &QPushButton::clicked, this,
            &NGFileCheckResultWindowController::assignSaveFolder);
    connect(m_ui->openFolderButton, &QPushButton::clicked, this,
            &NGFileCheckResultWindowController::openFolder);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &NGFileCheckResultWindowController::close);
}

void NGFileCheckResultWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(QStringLiteral("NGFileCheckResultWindow_Title")));
    m_ui->iconLabel->setPixmap(window()->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    m_ui->messageLabel->setText(Strings::text(QStringLiteral("NGFileCheckResultWindow_MessageLabel"))
                                    .replace(QLatin1String("%1"), m_medicalRecordNumber));
    m_ui->saveFolderButton->setText(
        Strings::text(QStringLiteral("NGFileCheckResultWindow_SaveFolderButton")));
    m_ui->openFolderButton->setText(
        Strings::text(QStringLiteral("NGFileCheckResultWindow_OpenFolderButton")));
    m_ui->closeButton->setText(Strings::text(QStringLiteral("NGFileCheckResultWindow_CloseButton")));
}

QString NGFileCheckResultWindowController::patientFolder() const
{
    const QString& name = m_medicalRecordNumber;
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QChar(u'\0')))
        return {};
    const QString destination = SettingsSnapshot::read()->destinationFolderPath;
    if (destination.isEmpty())
        return {};
    return QDir(destination).filePath(name);
}

void NGFileCheckResultWindowController::assignSaveFolder()
{
    DialogService::chooseFolder(
        window(),
        {Strings::text(QStringLiteral("NGFileCheckResultWindow_SaveFolderChooserTitle")),
         Strings::text(QStringLiteral("NGFileCheckResultWindow_SaveFolderChooserButton")), QString()},
        [this](const QString& chosen) { saveFolderChosen(chosen); });
}

void NGFileCheckResultWindowController::saveFolderChosen(const QString& chosen)
{
    const QString target = targetIn(chosen);
    if (!QFileInfo::exists(target)) {
        moveTo(target);
        return;
    }
    QTimer::singleShot(retryDelay, this, [this, chosen] { moveTo(targetIn(chosen)); });
}

QString NGFileCheckResultWindowController::targetIn(const QString& chosen) const
{
    return QDir(chosen).filePath(m_medicalRecordNumber + QLatin1Char('_') +
                                 nowSource()().toString(QStringLiteral("yyyyMMddHHmmss")));
}

void NGFileCheckResultWindowController::moveTo(const QString& target)
{
    const QString source = patientFolder();
    // rename() would replace an empty folder at the target, so a target that is still taken fails.
    const bool moved = !source.isEmpty() && QFileInfo(source).isDir() && !QFileInfo::exists(target) &&
                       QDir().rename(source, target);
    if (!moved) {
        Logger::info(QStringLiteral("could not move [%1] to [%2]").arg(source, target));
        showMoveFailure();
        Q_EMIT saveFolderAssigned(false);
        return;
    }
    Q_EMIT saveFolderAssigned(true);
    close();
}

void NGFileCheckResultWindowController::showMoveFailure()
{
    DialogService::showSheet(
        window(), {QString(), Strings::text(QStringLiteral("NGFileCheckResultWindow_MoveFailedMessage")),
                   Strings::text(QStringLiteral("NGFileCheckResultWindow_MoveFailedButton"))});
}

void NGFileCheckResultWindowController::openFolder()
{
    const QString folder = patientFolder();
    if (!folder.isEmpty())
        Q_EMIT openFolderRequested(folder);
}
