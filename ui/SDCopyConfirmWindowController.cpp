#include "ui/SDCopyConfirmWindowController.h"

#include "ui/Strings.h"
#include "ui_SDCopyConfirmWindowController.h"

#include <QStyle>

#include <algorithm>

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
    QString message = Strings::text(QStringLiteral("SDCopyConfirmWindow_MessageLabel"));
    if (m_hasSummary)
        message += QStringLiteral("\n\n") + summaryText(m_stills, m_movies, m_patients);
    m_ui->messageLabel->setTextFormat(Qt::PlainText);
    m_ui->messageLabel->setText(message);
    m_ui->okButton->setText(Strings::text(QStringLiteral("SDCopyConfirmWindow_OKButton")));
    m_ui->cancelButton->setText(Strings::text(QStringLiteral("SDCopyConfirmWindow_CancelButton")));
}

QString SDCopyConfirmWindowController::summaryText(qint64 stills, qint64 movies, const QStringList& patients)
{
    const auto text = [](const char* key) { return Strings::text(QString::fromLatin1(key)); };
    QString summary = (stills == 1 ? text("SDCopyConfirmWindow_OnePicture")
                                   : text("SDCopyConfirmWindow_Pictures").arg(stills));
    if (movies > 0)
        summary += (movies == 1 ? text("SDCopyConfirmWindow_AndOneMovie")
                                : text("SDCopyConfirmWindow_AndMovies").arg(movies));
    if (patients.isEmpty())
        return summary;
    constexpr qsizetype shown = 5;
    summary += QLatin1Char('\n') + text("SDCopyConfirmWindow_Patients");
    for (qsizetype i = 0; i < std::min(shown, patients.size()); ++i)
        summary += QStringLiteral("\n    ") + patients.at(i);
    if (patients.size() > shown)
        summary +=
            QStringLiteral("\n    ") + text("SDCopyConfirmWindow_MorePatients").arg(patients.size() - shown);
    return summary;
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
