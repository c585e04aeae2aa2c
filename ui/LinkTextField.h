#pragma once

#include <QLabel>
#include <QString>

// An invisible clickable area that opens a web address: laid over a visible, underlined label that
// shows the same address, it opens link in the default browser (through WorkspaceOpener, which says
// so on this field's window when no browser takes it) on a click when link begins with "http://" or
// "https://" (case matters). Any other text does nothing. The click is not passed on.
class LinkTextField : public QLabel
{
    Q_OBJECT

public:
    explicit LinkTextField(QWidget* parent = nullptr);

    QString link() const { return m_link; }
    void setLink(const QString& link) { m_link = link; }

    // Makes a link field over label, covering it whatever size the layout gives it, with the label's
    // text as its link; and underlines the label's text.
    static LinkTextField* layOver(QLabel* label);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_link;
};
