#include "ui/NotificationCenter.h"

#include <algorithm>

NotificationCenter& NotificationCenter::defaultCenter()
{
    // Never destroyed: observers may unregister while the program ends.
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

void NotificationCenter::addObserver(QObject* observer, const QString& name, std::function<void()> handler)
{
    m_registrations.push_back({m_nextId++, observer, name, std::move(handler)});
}

void NotificationCenter::removeObserver(QObject* observer)
{
    std::erase_if(m_registrations, [observer](const Registration& r) { return r.observer == observer; });
}

void NotificationCenter::postNotification(const QString& name)
{
    std::erase_if(m_registrations, [](const Registration& r) { return r.observer.isNull(); });
    // A handler may add or remove observers (a progress window closes on a post), so the handlers
    // are chosen first and each is looked up again right before it runs.
    std::vector<quint64> ids;
    for (const Registration& r : m_registrations)
        if (r.name == name)
            ids.push_back(r.id);
    for (quint64 id : ids) {
        auto it = std::find_if(m_registrations.begin(), m_registrations.end(),
                               [id](const Registration& r) { return r.id == id; });
        if (it == m_registrations.end() || it->observer.isNull())
            continue;
        const std::function<void()> handler = it->handler; // the vector may change while it runs
        handler();
    }
}
