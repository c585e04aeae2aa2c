#include "tray/StatusItem.h"

#include "platform/Logger.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"

#include <QAction>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

StatusItem::StatusItem(Edition edition, const QString& programName, QObject* parent)
    : QObject(parent), m_programName(programName), m_menu(std::make_unique<QMenu>())
{
    const bool full = edition == Edition::Full;
    const auto add = [this](const char* key, auto signal) {
        QAction* action = m_menu->addAction(Strings::text(QString::fromLatin1(key)));
        connect(action, &QAction::triggered, this, signal);
        return action;
    };
    const auto addWindow = [this](const char* key, int id) {
        QAction* action = m_menu->addAction(Strings::text(QString::fromLatin1(key)));
        connect(action, &QAction::triggered, this, [this, id] { Q_EMIT windowRequested(id); });
    };
    addWindow("StatusMenu_Settings", TrevaselWindowManager::Config);
    m_menu->addSeparator();
    m_showDestination = add("StatusMenu_ShowDestination", &StatusItem::destinationFolderRequested);
    m_showDestinationPicture =
        add("StatusMenu_ShowDestinationPicture", &StatusItem::destinationFolderRequested);
    m_showDestinationMovie =
        full ? add("StatusMenu_ShowDestinationMovie", &StatusItem::movieDestinationFolderRequested) : nullptr;
    m_showDestinationPicture->setVisible(false);
    m_menu->addSeparator();
    addWindow("StatusMenu_UpdateCheck", TrevaselWindowManager::UpdateCheck);
    addWindow("StatusMenu_VersionInformation", TrevaselWindowManager::VersionInformation);
    addWindow("StatusMenu_Help", TrevaselWindowManager::Help);
    if (full)
        add("StatusMenu_RemoteSupport", &StatusItem::remoteSupportRequested);
    m_menu->addSeparator();
    add("StatusMenu_Quit", &StatusItem::quitRequested);

    if (!showIcon()) {
        Logger::info(QStringLiteral(
            "no system tray here yet: running without a status item, still importing, and looking for one"));
        m_trayLookout.setInterval(2000);
        connect(&m_trayLookout, &QTimer::timeout, this, [this] {
            if (showIcon()) {
                m_trayLookout.stop();
                Logger::info(QStringLiteral("a system tray appeared: the status item is shown"));
            }
        });
        m_trayLookout.start();
    }
    QDBusConnection::sessionBus().connect(kNotifications, kNotificationsPath, kNotifications,
                                          QStringLiteral("ActionInvoked"), this,
                                          SLOT(notificationActionInvoked(uint, QString)));
}

bool StatusItem::showIcon()
{
    if (m_icon)
        return true;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_icon = new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/TrevaselStatusBarIconTemplate.png")), this);
    m_icon->setContextMenu(m_menu.get());
    m_icon->setToolTip(m_programName);
    // "Click the icon": the left button opens the same menu as the right one.
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_menu->popup(QCursor::pos());
    });
    connect(m_icon, &QSystemTrayIcon::messageClicked, this, [this] {
        if (!m_notifiedFolder.isEmpty())
            Q_EMIT folderRequested(m_notifiedFolder);
    });
    m_icon->show();
    return true;
}

void StatusItem::notifyArrival(qint64 pictures, const QString& folder)
{
    const QString title = Strings::text(QStringLiteral("Notification_Title"));
    const QString body = pictures == 1
                             ? Strings::text(QStringLiteral("Notification_OnePictureArrived"))
                             : Strings::text(QStringLiteral("Notification_PicturesArrived")).arg(pictures);
    notify(title, body, folder);
}

void StatusItem::notify(const QString& title, const QString& body, const QString& folder)
{
    m_notifiedFolder = folder;
    Logger::info(QStringLiteral("desktop notice: %1").arg(body));
    if (m_icon) {
        m_icon->showMessage(title, body, QSystemTrayIcon::Information, 10000);
        return;
    }
    // No tray: the desktop's notification service, where there is one. Its answer (the notice's
    // number) is awaited without blocking.
    QDBusMessage notify = QDBusMessage::createMethodCall(kNotifications, kNotificationsPath, kNotifications,
                                                         QStringLiteral("Notify"));
    notify << m_programName << m_notificationId << QStringLiteral("trevasel") << title << body
           << QStringList{QStringLiteral("default"),
                          Strings::text(QStringLiteral("StatusMenu_ShowDestination"))}
           << QVariantMap() << 10000;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isValid())
            m_notificationId = reply.value();
        else
            Logger::info(QStringLiteral("no desktop notification service: %1").arg(reply.error().message()));
        call->deleteLater();
    });
}

void StatusItem::notificationActionInvoked(uint id, const QString& action)
{
    if (id == m_notificationId && id != 0 && action == QLatin1String("default") &&
        !m_notifiedFolder.isEmpty())
        Q_EMIT folderRequested(m_notifiedFolder);
}

StatusItem::~StatusItem() = default;

void StatusItem::changeDestinationFolderMenuItem(const SettingsSnapshot& settings)
{
    if (!m_showDestinationMovie)
        return;
    const bool movies = settings.destinationFolderMov;
    m_showDestination->setVisible(!movies);
    m_showDestinationPicture->setVisible(movies);
    m_showDestinationMovie->setVisible(movies);
}
