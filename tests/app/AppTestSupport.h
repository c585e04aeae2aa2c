#pragma once

#include "app/Edition.h"
#include "app/TrevaselCommon.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

// Points the home folder and the XDG folders at a fresh temporary folder for one test, so nothing
// reads or writes the real home, and puts the edition back to Full afterwards.
class IsolatedHomeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_home = m_root.path() + QStringLiteral("/home");
        ASSERT_TRUE(QDir().mkpath(m_home));
        setVariable("HOME", m_home);
        setVariable("XDG_DATA_HOME", m_home + QStringLiteral("/.local/share"));
        setVariable("XDG_CONFIG_HOME", m_home + QStringLiteral("/.config"));
    }

    void TearDown() override
    {
        TrevaselCommon::setEdition(Edition::Full);
        for (const auto& [name, value] : m_saved) {
            if (value.isNull())
                qunsetenv(name.constData());
            else
                qputenv(name.constData(), value);
        }
    }

    void setVariable(const char* name, const QString& value)
    {
        m_saved.append({QByteArray(name), qgetenv(name)});
        qputenv(name, value.toUtf8());
    }

    static bool writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }

    static QByteArray readBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_root;
    QString m_home;

private:
    QList<QPair<QByteArray, QByteArray>> m_saved;
};

// The same fixture, run once per edition.
class EditionTest : public IsolatedHomeTest, public ::testing::WithParamInterface<Edition>
{
protected:
    void SetUp() override
    {
        IsolatedHomeTest::SetUp();
        TrevaselCommon::setEdition(GetParam());
    }
};

inline std::string editionName(const ::testing::TestParamInfo<Edition>& info)
{
    return info.param == Edition::Full ? "Full" : "Basic";
}
