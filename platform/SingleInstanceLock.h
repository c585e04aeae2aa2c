#pragma once

#include <QString>

// Keeps a second copy of a program from running: a kernel lock (flock) on the file "<name>.lock" in
// the user's runtime folder ($XDG_RUNTIME_DIR), held while the object lives. The kernel drops the
// lock when its holder ends however it ends, so a lock file left behind, whatever it holds (empty,
// zeros, another process's number), never keeps the program from starting. Each program passes its
// own name, so the two editions do not exclude each other.
class SingleInstanceLock
{
public:
    explicit SingleInstanceLock(const QString& name);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this object holds the lock now (also when it already held it), and when no lock
    // file can be made at all (logged: the program then goes on without one). False while another
    // copy holds it.
    bool tryLock();
    bool isLocked() const { return m_fd >= 0; }
    QString lockFilePath() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};
