#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

// The process's default notification centre: a post calls, at once and in the order they were added,
// the handlers registered for its name. Notifications carry no data. Main thread only.
//
// The transfer engine does not include this: it posts through TransferObserver, which the shell wires
// to NotificationCenter::defaultCenter().postNotification.
class NotificationCenter
{
public:
    static NotificationCenter& defaultCenter();

    // Calls handler on every post of name until removeObserver(observer) or observer's destruction.
    void addObserver(QObject* observer, const QString& name, std::function<void()> handler);
    void removeObserver(QObject* observer);
    void postNotification(const QString& name);

private:
    struct Registration
    {
        quint64 id;
        QPointer<QObject> observer;
        QString name;
        std::function<void()> handler;
    };
    std::vector<Registration> m_registrations;
    quint64 m_nextId = 1;
};

// The names posted in this program.
namespace NotificationName {
// The transfer job, once per picture transferred.
inline const QString updateProgress = QStringLiteral("notificationNameUpdateProgress");
// The card source, when its batch ends.
inline const QString closeProgressWindow = QStringLiteral("notificationNameCloseProgressWindow");
} // namespace NotificationName
