#pragma once

#include "app/Edition.h"
#include "app/SettingsSnapshot.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The status item: the tray icon and its menu. Each entry is a signal; the program decides what it
// does. A left click opens the same menu as a right click. Where there is no tray (offscreen, plain
// GNOME, or a tray host that starts after the program at login), the menu exists without an icon,
// the program goes on importing, and the icon appears once a tray does.
class StatusItem : public QObject
{
    Q_OBJECT

public:
    StatusItem(Edition edition, const QString& programName, QObject* parent = nullptr);
    ~StatusItem() override;

    // With "destination folder mov" on, the full edition offers the picture and the movie folders.
    void changeDestinationFolderMenuItem(const SettingsSnapshot& settings);
    QMenu* menu() const { return m_menu.get(); }
    bool hasIcon() const { return m_icon != nullptr; }

    // Says how many pictures a batch brought into folder: a message of the tray icon where there is
    // one, else a notification of the desktop's notification service. Clicking it opens the folder.
    void notifyArrival(qint64 pictures, const QString& folder);
    // A notice with the title and text; clicking it opens folder, when one is given.
    void notify(const QString& title, const QString& body, const QString& folder = QString());

Q_SIGNALS:
    void windowRequested(int windowId);
    void destinationFolderRequested();
    void movieDestinationFolderRequested();
    void remoteSupportRequested();
    void quitRequested();
    // The arrival notice was clicked.
    void folderRequested(const QString& folder);

private Q_SLOTS:
    // The desktop's notification service reports a click on a notice.
    void notificationActionInvoked(uint id, const QString& action);

private:
    // Shows the icon once a tray is there; true when it is.
    bool showIcon();

    QString m_programName;
    QTimer m_trayLookout; // looks for a tray that came up after the program
    QString m_notifiedFolder;
    uint m_notificationId = 0;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    QAction* m_showDestination = nullptr;
    QAction* m_showDestinationPicture = nullptr;
    QAction* m_showDestinationMovie = nullptr;
};
