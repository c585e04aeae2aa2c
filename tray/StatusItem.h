#pragma once

#include "app/Edition.h"
#include "app/SettingsSnapshot.h"

#include <QObject>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The status item: the tray icon and its menu. Each entry is a signal; the program decides what it
// does. Where there is no tray (offscreen, plain GNOME), the menu exists without an icon and the
// program goes on importing.
class StatusItem : public QObject
{
    Q_OBJECT

public:
    StatusItem(Edition edition, const QString& programName, QObject* parent = nullptr);
    ~StatusItem() override;

    // With "destination folder mov" on, the full edition offers the picture and the movie folders.
    void changeDestinationFolderMenuItem(const SettingsSnapshot& settings);
    QMenu* menu() const { return m_menu.get(); }

Q_SIGNALS:
    void windowRequested(int windowId);
    void destinationFolderRequested();
    void movieDestinationFolderRequested();
    void remoteSupportRequested();
    void quitRequested();

private:
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    QAction* m_showDestination = nullptr;
    QAction* m_showDestinationPicture = nullptr;
    QAction* m_showDestinationMovie = nullptr;
};
