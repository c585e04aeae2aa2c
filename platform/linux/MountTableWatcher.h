#pragma once

#include "platform/linux/MountTable.h"
#include "platform/linux/UniqueFd.h"

#include <QByteArray>
#include <QObject>

#include <memory>

class QSocketNotifier;

// Tells when the mount table of the process changes. The kernel marks /proc/self/mountinfo with an
// exceptional condition after every mount and unmount; the table is then read again and compared
// with the one before.
class MountTableWatcher : public QObject
{
    Q_OBJECT
public:
    explicit MountTableWatcher(QObject* parent = nullptr);
    ~MountTableWatcher() override;

    bool isWatching() const { return m_notifier != nullptr; }
    const QByteArray& table() const { return m_table; }

Q_SIGNALS:
    void changed(const MountTable::Change& change);

private:
    void readAgain();

    UniqueFd m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_table;
};
