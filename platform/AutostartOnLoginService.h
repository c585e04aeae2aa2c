#pragma once

#include <QString>

// The login item: an XDG autostart entry "<name>.desktop" in $XDG_CONFIG_HOME/autostart (or
// ~/.config/autostart) that starts the program when the user logs in.
class AutostartOnLoginService
{
public:
    // name: the program's name, e.g. "TrevaselForPravena"; program: the executable to start.
    AutostartOnLoginService(QString name, QString program);

    // Writes the entry whole (replacing an earlier one), making the folder when missing. False when
    // it could not be written; nothing half-written is left.
    bool enableLoginItem() const;
    // Removes the entry; true when none is left.
    bool disableLoginItem() const;
    bool isLoginItemEnabled() const;

    QString entryFilePath() const;
    // The entry's text.
    QByteArray entry() const;

    // program quoted for an Exec key: in double quotes, with ", `, $ and \ escaped, % doubled, and
    // then every \ doubled as in any string value of a desktop entry.
    static QString execValue(const QString& program);

private:
    QString m_name;
    QString m_program;
};
