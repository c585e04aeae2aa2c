#include "ui/VersionInformationWindowController.h"

#include "app/TrevaselCommon.h"
#include "ui/Strings.h"
#include "ui_VersionInformationWindowController.h"

VersionInformationWindowController::VersionInformationWindowController()
    : m_ui(new Ui::VersionInformationWindowController)
{
}

VersionInformationWindowController::~VersionInformationWindowController() = default;

void VersionInformationWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &VersionInformationWindowController::close);
}

void VersionInformationWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(QStringLiteral("VersionInformationWindow_Title")));
    m_ui->applicationNameLabel->setText(
        Strings::text(QStringLiteral("VersionInformationWindow_ApplicationNameLabel")));
    m_ui->detailLabel->setText(Strings::text(QStringLiteral("VersionInformationWindow_DetailLabel")));
    m_ui->descriptionLabel->setText(
        Strings::text(QStringLiteral("VersionInformationWindow_DescriptionLabel")));
    m_ui->versionLabel->setText(Strings::text(QStringLiteral("VersionInformationWindow_VersionLabel")));
    m_ui->copyrightLabel->setText(Strings::text(QStringLiteral("VersionInformationWindow_CopyrightLabel")));
    m_ui->versionNumberTextField->setText(TrevaselCommon::getVersionNubmer());
    m_ui->buildNumberLabel->setText(Strings::text(QStringLiteral("VersionInformationWindow_BuildLabel"))
                                        .arg(TrevaselCommon::getBuildNumber()));
    m_ui->closeButton->setText(Strings::text(QStringLiteral("DetailConfigWindow_CloseButton")));
}
