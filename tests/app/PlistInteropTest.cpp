#include "app/PropertyList.h"
#include "app/SettingsValue.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

// The interpreter CTest names, else python3 on PATH; none means the test is skipped.
QString pythonInterpreter()
{
    const QString configured = qEnvironmentVariable("TREVASEL_TEST_PYTHON");
    if (!configured.isEmpty())
        return configured;
    return QStandardPaths::findExecutable(QStringLiteral("python3"));
}

// Runs a Python script with arguments; its standard output, or nothing when it failed.
std::optional<QByteArray> runPython(const QString& script, const QStringList& arguments)
{
    QProcess python;
    python.start(pythonInterpreter(), QStringList{QStringLiteral("-c"), script} + arguments);
    if (!python.waitForFinished(30000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0) {
        ADD_FAILURE() << "python failed: " << python.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return python.readAllStandardOutput();
}

// Prints each value of a plist file as [type name, JSON form].
const QString kDescribe = QStringLiteral(R"(
import json, plistlib, sys
with open(sys.argv[1], 'rb') as f:
    d = plistlib.load(f)
def form(v):
    if isinstance(v, bytes): return v.hex()
    if hasattr(v, 'isoformat'): return v.isoformat()
    if isinstance(v, list): return [form(x) for x in v]
    if isinstance(v, dict): return {k: form(x) for k, x in v.items()}
    return v
print(json.dumps({k: [type(v).__name__, form(v)] for k, v in d.items()}))
)");

class PlistInteropTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (pythonInterpreter().isEmpty())
            GTEST_SKIP() << "no Python interpreter";
        ASSERT_TRUE(m_dir.isValid());
    }

    QJsonObject describe(const QString& path)
    {
        const std::optional<QByteArray> out = runPython(kDescribe, {path});
        return out ? QJsonDocument::fromJson(*out).object() : QJsonObject();
    }

    QTemporaryDir m_dir;
};

const QString kWriteSample = QStringLiteral(R"(
import datetime, plistlib, sys
d = {
    'auto start up': True,
    'watch folder': False,
    'display desktop notice': '1',
    'eject removable device': 1,
    'confirm before sending': 1001,
    'large': 2**40,
    'negative': -3,
    'check ng file interval time': 10.5,
    'delete imported file record interval time': 86400.0,
    'destination folder path': '/Volumes/歯科 <&>',
    'zero padding length string': '10',
    'blob': b'\x00\x01\xff',
    'stamp': datetime.datetime(2020, 1, 2, 3, 4, 5),
    'nested': {'list': [1, 'two', False]},
}
with open(sys.argv[1], 'wb') as f:
    plistlib.dump(d, f)
)");

TEST_F(PlistInteropTest, FilePlistlibWritesIsReadByUsWithTheRightValues)
{
    const QString path = m_dir.filePath("python.plist");
    ASSERT_TRUE(runPython(kWriteSample, {path}).has_value());

    const std::optional<QVariantMap> d = PropertyList::readFile(path);
    ASSERT_TRUE(d.has_value());
    using namespace SettingsValue;
    EXPECT_TRUE(boolValue(*d, "auto start up"));
    EXPECT_FALSE(boolValue(*d, "watch folder"));
    EXPECT_TRUE(boolValue(*d, "display desktop notice"));
    EXPECT_TRUE(boolValue(*d, "eject removable device"));
    EXPECT_EQ(d->value("auto start up").typeId(), QMetaType::Bool);
    EXPECT_EQ(d->value("confirm before sending"), QVariant(qint64(1001)));
    EXPECT_EQ(d->value("large"), QVariant(qint64(1) << 40));
    EXPECT_EQ(d->value("negative"), QVariant(qint64(-3)));
    EXPECT_EQ(d->value("check ng file interval time"), QVariant(10.5));
    EXPECT_EQ(d->value("delete imported file record interval time").typeId(), QMetaType::Double);
    EXPECT_EQ(d->value("destination folder path"), QVariant(QString::fromUtf8("/Volumes/歯科 <&>")));
    EXPECT_EQ(intValue(*d, "zero padding length string"), 10);
    EXPECT_EQ(d->value("blob"), QVariant(QByteArray("\x00\x01\xff", 3)));
    EXPECT_EQ(d->value("stamp"), QVariant(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC)));
    EXPECT_EQ(d->value("nested").toMap().value("list").toList(),
              (QVariantList{qint64(1), QStringLiteral("two"), false}));
}

// Our rewrite of plistlib's file, read back by plistlib, holds every value with its type: what our code
// writes is what plistlib reads, and a rewrite loses nothing.
TEST_F(PlistInteropTest, FileWeWriteIsReadByPlistlibWithEveryValueAndType)
{
    const QString original = m_dir.filePath("python.plist");
    const QString rewritten = m_dir.filePath("rewritten.plist");
    ASSERT_TRUE(runPython(kWriteSample, {original}).has_value());

    const std::optional<QVariantMap> d = PropertyList::readFile(original);
    ASSERT_TRUE(d.has_value());
    ASSERT_TRUE(PropertyList::writeFile(rewritten, *d));

    const QJsonObject before = describe(original);
    EXPECT_FALSE(before.isEmpty());
    EXPECT_EQ(describe(rewritten), before);
}

} // namespace
