#include "ui/InformationCheckWindowController.h"

#include "app/SettingsKeys.h"
#include "app/TrevaselCommon.h"
#include "ui/LinkTextField.h"
#include "ui/Strings.h"
#include "ui_InformationCheckWindowController.h"

InformationCheckWindowController::InformationCheckWindowController()
    : m_ui(new Ui::InformationCheckWindowController)
{
}

InformationCheckWindowController::~InformationCheckWindowController() = default;

void InformationCheckWindowController::loadLayout(QWidget* window)
{
    m_ui->setupUi(window);
    connect(m_ui->okButton, &QPushButton::clicked, this, &InformationCheckWindowController::closeButtonClick);
    connect(m_ui->laterButton, &QPushButton::clicked, this,
            &InformationCheckWindowController::laterButtonClick);
}

void InformationCheckWindowController::windowDidLoad()
{
    window()->setWindowTitle(Strings::text(QStringLiteral("InformationCheckWindow_Title")));
    m_ui->laterButton->setText(Strings::text(QStringLiteral("InformationCheckWindow_AfterButton")));
    m_ui->okButton->setText(Strings::text(QStringLiteral("InformationCheckWindow_OKButton")));
    m_linkTextField = LinkTextField::layOver(m_ui->urlTextField);
    if (m_result) {
        showResult(*m_result);
        return;
    }
    m_ui->titleLabel->setText(Strings::text(QStringLiteral("InformationCheckWindow_Checking")));
    auto* checker = new InformationChecker(this);
    connect(checker, &InformationChecker::finished, this,
            [this, checker](const InformationCheckResult& result) {
                checker->deleteLater();
                m_result = result;
                showResult(result);
            });
    checker->check();
}

namespace {

// A notice is a few sentences; a server's field is shown as plain text and cut at this length, so
// that no answer can make a label that takes long to lay out or much memory to draw.
constexpr qsizetype kMaxShownCharacters = 2000;

QString shownText(QString text)
{
    if (text.size() > kMaxShownCharacters)
        text = text.left(kMaxShownCharacters) + QChar(0x2026);
    return text;
}

} // namespace

void InformationCheckWindowController::showResult(const InformationCheckResult& result)
{
    m_shownId = result.found ? result.id : -1;
    const bool japanese = InformationChecker::isJapaneseReader();
    if (result.found) {
        for (QLabel* label : {m_ui->titleLabel, m_ui->textField, m_ui->urlTextField})
            label->setTextFormat(Qt::PlainText);
        m_ui->titleLabel->setText(shownText(result.title(japanese)));
        // The list's line breaks are carriage returns; a label breaks lines at "\n".
        m_ui->textField->setText(
            shownText(result.text(japanese).replace(QLatin1Char('\r'), QLatin1Char('\n'))));
        m_ui->urlTextField->setText(result.url(japanese)); // the link, whole
    } else {
        m_ui->titleLabel->clear();
        m_ui->textField->clear();
        m_ui->urlTextField->clear();
    }
    m_linkTextField->setLink(m_ui->urlTextField->text());
    if (window()->isVisible())
        window()->adjustSize();
}

void InformationCheckWindowController::closeButtonClick()
{
    QVariantMap settings = TrevaselCommon::getUserSettingDictionary();
    settings.insert(QString::fromLatin1(SettingsKey::checkedInformationId), qint64(m_shownId));
    TrevaselCommon::writeUserSettingDictionary(settings);
    close();
}

void InformationCheckWindowController::laterButtonClick()
{
    close();
}
