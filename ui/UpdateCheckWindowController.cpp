#include "ui/UpdateCheckWindowController.h"

#include "app/TrevaselCommon.h"
#include "ui/LinkTextField.h"
#include "ui/Strings.h"
#include "ui_UpdateCheckWindowController.h"

UpdateCheckWindowController::UpdateCheckWindowController() : m_ui(new Ui::UpdateCheckWindowController) {}

UpdateCheckWindowController::~UpdateCheckWindowController() = default;

void UpdateCheckWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &UpdateCheckWindowController::close);
}

void UpdateCheckWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(QStringLiteral("UpdateCheckWindow_Title")));
    m_ui->applicationNameLabel->setText(
        Strings::text(QStringLiteral("UpdateCheckWindow_ApplicationNameLabel")));
    m_ui->versionNumberTextField->setText(TrevaselCommon::edition() == Edition::Basic
                                              ? TrevaselCommon::getVersionNubmer()
                                              : QStringLiteral("for Pravena"));
    m_ui->lastVersionBox->setTitle(Strings::text(QStringLiteral("UpdateCheckWindow_LastVersionBoxTitle")));
    m_ui->closeButton->setText(Strings::text(QStringLiteral("DetailConfigWindow_CloseButton")));
    m_linkTextField = LinkTextField::layOver(m_ui->urlTextField);
    if (m_result) {
        showResult(*m_result);
        return;
    }
    // Until the list answers, the window says that it is checking.
    m_ui->message1Label->hide();
    m_ui->message2Label->hide();
    m_ui->message3Label->setText(Strings::text(QStringLiteral("UpdateCheckWindow_Checking")));
    m_ui->lastVersionBox->hide();
    auto* checker = new UpdateChecker(this);
    connect(checker, &UpdateChecker::finished, this, [this, checker](const UpdateCheckResult& result) {
        checker->deleteLater();
        m_result = result;
        showResult(result);
    });
    checker->check();
}

void UpdateCheckWindowController::showResult(const UpdateCheckResult& result)
{
    m_ui->message1Label->setText(Strings::text(QStringLiteral("UpdateCheckWindow_Message1")));
    m_ui->message2Label->setText(Strings::text(QStringLiteral("UpdateCheckWindow_Message2")));
    m_ui->message1Label->setVisible(result.newer);
    m_ui->message2Label->setVisible(result.newer);
    m_ui->message3Label->setVisible(!result.newer);
    m_ui->lastVersionBox->setVisible(result.newer);
    if (result.newer) {
        m_ui->nameTextField->setText(result.name);
        m_ui->dateTextField->setText(result.date);
        m_ui->versionTextField->setText(QStringLiteral("Ver %1").arg(result.version));
        m_ui->urlTextField->setText(result.url);
    } else {
        // A failed check also says whom to ask when it keeps failing, below the failure.
        m_ui->message3Label->setText(
            result.failed ? Strings::text(QStringLiteral("ApplicationMessage19")) + QLatin1Char('\n') +
                                Strings::text(QStringLiteral("ApplicationMessage19-2"))
                          : Strings::text(QStringLiteral("UpdateCheckWindow_Message3")));
        for (QLabel* field :
             {m_ui->nameTextField, m_ui->dateTextField, m_ui->versionTextField, m_ui->urlTextField})
            field->clear();
    }
    m_linkTextField->setLink(m_ui->urlTextField->text());
    if (window()->isVisible())
        window()->adjustSize();
}
