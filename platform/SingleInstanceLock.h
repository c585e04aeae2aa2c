#pragma once

#include <QLockFile>
#include <QString>

// Keeps a second copy of a program from running: a lock file "<name>.lock" in the user's runtime
// folder ($XDG_RUNTIME_DIR), held while the object lives. A lock left by a copy that died is taken
// over. Each program passes its own name, so the two editions do not exclude each other.
class SingleInstanceLock
{
public:
    explicit SingleInstanceLock(const QString& name);

    // True when this process holds the lock now (also when it already held it).
    bool tryLock();
    bool isLocked() const { return m_lock.isLocked(); }
    QString lockFilePath() const { return m_path; }

private:
    QString m_path;
    QLockFile m_lock;
};
