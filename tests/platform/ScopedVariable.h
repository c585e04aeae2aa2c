#pragma once

#include <QByteArray>
#include <QString>

// Sets an environment variable for a test's length and puts back what was there.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const QString& value) : m_name(name), m_saved(qgetenv(name))
    {
        qputenv(name, value.toUtf8());
    }
    ~ScopedVariable()
    {
        if (m_saved.isNull())
            qunsetenv(m_name);
        else
            qputenv(m_name, m_saved);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    QByteArray m_saved;
};
