#include "AppTestSupport.h"

#include "app/PropertyList.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPoint>

#include <csignal>
#include <sys/resource.h>

namespace {

using SettingsFileTest = EditionTest;

// Makes the folder that holds the settings file, for tests that put bytes there themselves.
QString prepareSettingsPath()
{
    const QString path = TrevaselCommon::getUserSettingPlistFilePath();
    QDir().mkpath(QFileInfo(path).path());
    return path;
}

QByteArray nestedArrays(int depth)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k</key>" +
           QByteArray("<array>").repeated(depth) + QByteArray("</array>").repeated(depth) + "</dict></plist>";
}

TEST_P(SettingsFileTest, MissingCorruptOrUnreadableFileReadsAsEmpty)
{
    const QString path = prepareSettingsPath();
    EXPECT_TRUE(TrevaselCommon::getUserSettingDictionary().isEmpty()) << "missing file";

    const QByteArray valid = *PropertyList::toXml({{"watch folder", true}, {"watch folder path", "/x"}});
    const QList<QPair<const char*, QByteArray>> corrupt{
        {"empty file", ""},
        {"plain text", "watch folder = YES\n"},
        {"truncated XML", valid.left(valid.size() / 2)},
        {"root is an array", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><true/></array></plist>"},
        {"binary header then junk", QByteArray("bplist00") + QByteArray(64, '\xff')},
        {"nested deeper than any settings file", nestedArrays(100000)},
    };
    for (const auto& [what, bytes] : corrupt) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(writeBytes(path, bytes));
        EXPECT_TRUE(TrevaselCommon::getUserSettingDictionary().isEmpty());
    }

    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
    EXPECT_TRUE(TrevaselCommon::getUserSettingDictionary().isEmpty()) << "a folder in the file's place";
}

TEST_P(SettingsFileTest, WrittenSettingsReadBackWithTheirTypes)
{
    // No folder made beforehand: the write makes it (the basic edition's work folder).
    const QVariantMap written{
        {"auto start up", true},
        {"watch folder", false},
        {"confirm before sending", qint64(1001)},
        {"negative", qint64(-42)},
        {"large", qint64(1) << 40},
        {"check ng file interval time", 10.5},
        {"destination folder path", QString::fromUtf8("/Volumes/診療/画像 <&> \"'")},
        {"display desktop notice", QStringLiteral("1")},
        {"empty", QString("")},
        {"blob", QByteArray("\x00\x01\xfe\xff", 4)},
        {"stamp", QDateTime(QDate(2023, 4, 5), QTime(6, 7, 8), Qt::UTC)},
        {"list", QVariantList{qint64(1), QStringLiteral("two"), QVariantList{true}}},
        {"dict", QVariantMap{{"inner", 2.25}, {"deeper", QVariantMap{{"x", QStringLiteral("y")}}}}},
    };

    ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(written));
    const QVariantMap read = TrevaselCommon::getUserSettingDictionary();

    ASSERT_EQ(read.keys(), written.keys());
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        EXPECT_EQ(read.value(it.key()).typeId(), it.value().typeId());
        EXPECT_EQ(read.value(it.key()), it.value());
    }
}

TEST_P(SettingsFileTest, AWriteThatFailsHalfwayLeavesTheOldFileWholeAndNoTemporaryFile)
{
    const QString path = TrevaselCommon::getUserSettingPlistFilePath();
    ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary({{"watch folder path", "/old"}}));
    const QByteArray before = readBytes(path);
    ASSERT_LT(before.size(), 4096);

    // A file-size limit makes the write fail part-way even for root, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written =
        TrevaselCommon::writeUserSettingDictionary({{"watch folder path", QString(100000, u'x')}});
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QFileInfo(path).fileName()});
    EXPECT_EQ(TrevaselCommon::getUserSettingDictionary().value("watch folder path"), QStringLiteral("/old"));
}

TEST_P(SettingsFileTest, AValueNoPropertyListCanHoldFailsTheWholeWrite)
{
    const QString path = TrevaselCommon::getUserSettingPlistFilePath();
    ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary({{"watch folder", true}}));
    const QByteArray before = readBytes(path);

    EXPECT_FALSE(
        TrevaselCommon::writeUserSettingDictionary({{"watch folder", false}, {"point", QPoint(1, 2)}}));
    EXPECT_FALSE(TrevaselCommon::writeUserSettingDictionary({{"watch folder", false}, {"null", QVariant()}}));
    EXPECT_FALSE(TrevaselCommon::writeUserSettingDictionary(
        {{"nested", QVariantMap{{"too big", QVariant::fromValue(quint64(1) << 63)}}}}));

    EXPECT_EQ(readBytes(path), before);
}

TEST_P(SettingsFileTest, FileWithoutLastBuildNumberIsAFirstStart)
{
    ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary({{"watch folder", true}}));
    EXPECT_TRUE(TrevaselCommon::isFirstStart(TrevaselCommon::getUserSettingDictionary()));

    for (const char* stored : {"0", "-3", "build"})
        EXPECT_TRUE(TrevaselCommon::isFirstStart({{"last build number", stored}})) << stored;
    ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary({{"last build number", "10009"}}));
    EXPECT_FALSE(TrevaselCommon::isFirstStart(TrevaselCommon::getUserSettingDictionary()));
    EXPECT_FALSE(TrevaselCommon::isFirstStart({{"last build number", qint64(1)}}));
}

INSTANTIATE_TEST_SUITE_P(BothEditions, SettingsFileTest, ::testing::Values(Edition::Full, Edition::Basic),
                         editionName);

} // namespace
