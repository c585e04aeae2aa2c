#include "ui/LinkTextField.h"

#include "app/TrevaselCommon.h"
#include "platform/Logger.h"
#include "ui/WorkspaceOpener.h"

#include <QEvent>
#include <QMouseEvent>
#include <QUrl>

namespace {
bool isBasic()
{
    return TrevaselCommon::edition() == Edition::Basic;
}
} // namespace

LinkTextField::LinkTextField(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("linkTextField"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    if (isBasic())
        Logger::debug(QStringLiteral("initWithFrame"));
}

LinkTextField* LinkTextField::layOver(QLabel* label)
{
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    auto* field = new LinkTextField(label);
    field->setLink(label->text());
    field->setGeometry(label->rect());
    label->installEventFilter(field);
    field->raise();
    return field;
}

bool LinkTextField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QLabel::eventFilter(watched, event);
}

void LinkTextField::paintEvent(QPaintEvent*)
{
    // Nothing: the label underneath shows the address.
}

void LinkTextField::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (isBasic()) {
        const QPoint at = event->position().toPoint();
        Logger::debug(
            QStringLiteral("%1.mouseDown:[press at %2,%3]").arg(objectName()).arg(at.x()).arg(at.y()));
        Logger::debug(QStringLiteral("link:[%1]").arg(m_link));
    }
    if (m_link.startsWith(QLatin1String("http://")) || m_link.startsWith(QLatin1String("https://")))
        WorkspaceOpener::openUrl(QUrl(m_link), window());
}
