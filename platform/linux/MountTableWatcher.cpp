#include "platform/linux/MountTableWatcher.h"

#include "platform/Logger.h"

#include <QSocketNotifier>

#include <fcntl.h>

MountTableWatcher::MountTableWatcher(QObject* parent)
    : QObject(parent), m_fd(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC))
{
    if (!m_fd.valid()) {
        Logger::info(QStringLiteral("mount table cannot be watched: /proc/self/mountinfo does not open"));
        return;
    }
    m_table = MountTable::read(m_fd.get());
    m_notifier = std::make_unique<QSocketNotifier>(m_fd.get(), QSocketNotifier::Exception);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &MountTableWatcher::readAgain);
}

MountTableWatcher::~MountTableWatcher() = default;

void MountTableWatcher::readAgain()
{
    QByteArray table = MountTable::read(m_fd.get());
    if (table.isEmpty())
        return; // a failed read says nothing about the mounts
    const MountTable::Change change = MountTable::diff(m_table, table);
    m_table = std::move(table);
    if (!change.isEmpty())
        Q_EMIT changed(change);
}
