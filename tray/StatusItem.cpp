#include "tray/StatusItem.h"

#include "platform/Logger.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

StatusItem::StatusItem(Edition edition, const QString& programName, QObject* parent)
    : QObject(parent), m_menu(std::make_unique<QMenu>())
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

    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        Logger::info(
            QStringLiteral("no system tray here: running without a status item, and still importing"));
        return;
    }
    m_icon = new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/TrevaselStatusBarIconTemplate.png")), this);
    m_icon->setContextMenu(m_menu.get());
    m_icon->setToolTip(programName);
    m_icon->show();
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
