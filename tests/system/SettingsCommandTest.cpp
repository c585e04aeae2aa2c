// "trevasel-cli settings": a settings file written, shown and changed without a script.
#include "app/PropertyList.h"
#include "app/SettingsKeys.h"
#include "tests/system/CliRun.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SettingsCommand : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    CliRun runCli(const QStringList& arguments) const
    {
        return runTrevaselCli(QStringList{QStringLiteral("settings")} + arguments, m_dir.path());
    }

    static QByteArray bytesOf(const QString& file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(SettingsCommand, InitWritesTheEditionsDefaultsAndShowListsEveryKeyWithItsType)
{
    const QString full = path(QStringLiteral("full.plist"));
    const QString basic = path(QStringLiteral("basic.plist"));
    ASSERT_EQ(runCli({QStringLiteral("init"), full}).exitCode, 0);
    ASSERT_EQ(runCli({QStringLiteral("init"), basic, QStringLiteral("--basic")}).exitCode, 0);
    const QVariantMap defaults = PropertyList::readFile(full).value_or(QVariantMap());
    for (const QString& key : SettingsKey::keysOf(Edition::Full))
        EXPECT_TRUE(defaults.contains(key)) << qPrintable(key);
    EXPECT_FALSE(PropertyList::readFile(basic)->contains(QLatin1String(SettingsKey::exportXml)));

    const CliRun shown = runCli({QStringLiteral("show"), full});
    EXPECT_EQ(shown.exitCode, 0);
    const QList<QByteArray> lines = shown.out.trimmed().split('\n');
    EXPECT_EQ(lines.size(), SettingsKey::keysOf(Edition::Full).size());
    QList<QByteArray> simplified;
    for (const QByteArray& line : lines)
        simplified << line.simplified();
    EXPECT_TRUE(simplified.contains("auto start up boolean false")) << shown.out.constData();
    EXPECT_TRUE(simplified.contains("only camera formated SD string \"1\"")) << shown.out.constData();
    EXPECT_TRUE(simplified.contains("check ng file interval time real 10")) << shown.out.constData();
    EXPECT_TRUE(simplified.contains("verify copies boolean true")) << shown.out.constData();

    // A second init would throw the user's settings away, so it needs --force.
    EXPECT_EQ(runCli({QStringLiteral("init"), basic}).exitCode, 1);
    EXPECT_FALSE(PropertyList::readFile(basic)->contains(QLatin1String(SettingsKey::exportXml)));
    EXPECT_EQ(runCli({QStringLiteral("init"), basic, QStringLiteral("--force")}).exitCode, 0);
    EXPECT_TRUE(PropertyList::readFile(basic)->contains(QLatin1String(SettingsKey::exportXml)));
}

TEST_F(SettingsCommand, SetStoresEachValueWithTheTypeOfItsKey)
{
    const QString file = path(QStringLiteral("settings.plist"));
    ASSERT_EQ(runCli({QStringLiteral("init"), file}).exitCode, 0);
    const CliRun run =
        runCli({QStringLiteral("set"), file, QLatin1String(SettingsKey::deleteOriginalImage),
                QStringLiteral("no"), QLatin1String(SettingsKey::confirmBeforeSending), QStringLiteral("-3"),
                QLatin1String(SettingsKey::checkNgFileIntervalTime), QStringLiteral("2.5"),
                QLatin1String(SettingsKey::zeroPaddingLengthString), QStringLiteral("8"),
                QLatin1String(SettingsKey::destinationFolderPath), QStringLiteral("/srv/pictures store"),
                QLatin1String(SettingsKey::verifyCopies), QStringLiteral("false")});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QVariantMap settings = *PropertyList::readFile(file);
    EXPECT_EQ(settings.value(QLatin1String(SettingsKey::deleteOriginalImage)), QVariant(false));
    EXPECT_EQ(settings.value(QLatin1String(SettingsKey::confirmBeforeSending)), QVariant(qint64(-3)));
    EXPECT_EQ(settings.value(QLatin1String(SettingsKey::checkNgFileIntervalTime)), QVariant(2.5));
    EXPECT_EQ(settings.value(QLatin1String(SettingsKey::zeroPaddingLengthString)),
              QVariant(QStringLiteral("8")));
    EXPECT_EQ(settings.value(QLatin1String(SettingsKey::destinationFolderPath)),
              QVariant(QStringLiteral("/srv/pictures store")));
    EXPECT_EQ(settings.value(QLatin1String(SettingsKey::verifyCopies)), QVariant(false));
    EXPECT_EQ(settings.size(), SettingsKey::keysOf(Edition::Full).size()) << "every other key kept";
}

TEST_F(SettingsCommand, SetRefusesUnknownKeysAndWrongTypesAndChangesNothing)
{
    const QString file = path(QStringLiteral("settings.plist"));
    ASSERT_EQ(runCli({QStringLiteral("init"), file, QStringLiteral("--basic")}).exitCode, 0);
    const QByteArray before = bytesOf(file);
    const QString good = QLatin1String(SettingsKey::watchFolder);

    const struct
    {
        QStringList pairs;
        const char* message;
    } refusals[] = {
        {{QStringLiteral("watch folders"), QStringLiteral("1")}, "unknown key \"watch folders\""},
        {{QLatin1String(SettingsKey::exportXml), QStringLiteral("1")}, "full edition only"},
        {{QLatin1String(SettingsKey::autoStartUp), QStringLiteral("maybe")}, "takes a boolean"},
        {{QLatin1String(SettingsKey::dateFormat), QStringLiteral("12a")}, "takes an integer"},
        {{QLatin1String(SettingsKey::versionCheckSite), QStringLiteral("ftp://example.org/x")},
         "http or https"},
        {{QLatin1String(SettingsKey::onlyCameraFormatedSD), QStringLiteral("0")}, "only the text 1"},
        {{QLatin1String(SettingsKey::lastBuildNumber), QStringLiteral("10.5")}, "decimal digits"},
        {{QLatin1String(SettingsKey::watchFolderPath), QStringLiteral("pictures/in")},
         "absolute folder path"},
    };
    for (const auto& refusal : refusals) {
        // A good pair before the bad one must not be written either.
        const CliRun run = runCli(QStringList{QStringLiteral("set"), file, QStringLiteral("--basic"), good,
                                              QStringLiteral("true")} +
                                  refusal.pairs);
        EXPECT_EQ(run.exitCode, 1) << refusal.message;
        EXPECT_TRUE(run.err.contains(refusal.message)) << run.err.constData();
        EXPECT_TRUE(run.err.contains("nothing was changed")) << run.err.constData();
        EXPECT_EQ(bytesOf(file), before) << refusal.message;
    }

    // Without --basic the full edition's keys are known; its own table still types them.
    const QString full = path(QStringLiteral("full.plist"));
    ASSERT_EQ(runCli({QStringLiteral("init"), full}).exitCode, 0);
    EXPECT_EQ(
        runCli({QStringLiteral("set"), full, QLatin1String(SettingsKey::lastDeleteImportedFileRecordDatetime),
                QStringLiteral("2024-05-14")})
            .exitCode,
        1);
    EXPECT_EQ(runCli({QStringLiteral("set"), full, QLatin1String(SettingsKey::checkNgFileIntervalTime),
                      QStringLiteral("-1")})
                  .exitCode,
              1);
    EXPECT_EQ(
        runCli({QStringLiteral("set"), path(QStringLiteral("missing.plist")), good, QStringLiteral("1")})
            .exitCode,
        1);
    EXPECT_EQ(runCli({QStringLiteral("set"), full, good}).exitCode, 64) << "a key without its value";
}

TEST_F(SettingsCommand, OptionsGoBeforeTheFirstKeyAndADoubleDashEndsThem)
{
    const QString file = path(QStringLiteral("settings.plist"));
    ASSERT_EQ(runCli({QStringLiteral("init"), QStringLiteral("--basic"), file}).exitCode, 0);
    EXPECT_FALSE(PropertyList::readFile(file)->contains(QLatin1String(SettingsKey::exportXml)));
    const QByteArray before = bytesOf(file);

    // After a KEY an option's name is a VALUE, refused as its key's type says.
    const CliRun value = runCli({QStringLiteral("set"), file, QLatin1String(SettingsKey::watchFolderPath),
                                 QStringLiteral("--basic")});
    EXPECT_EQ(value.exitCode, 1);
    EXPECT_TRUE(value.err.contains("absolute folder path")) << value.err.constData();
    // After "--", before FILE, it is a KEY.
    const CliRun ended = runCli(
        {QStringLiteral("set"), QStringLiteral("--"), file, QStringLiteral("--basic"), QStringLiteral("1")});
    EXPECT_EQ(ended.exitCode, 1);
    EXPECT_TRUE(ended.err.contains("unknown key \"--basic\"")) << ended.err.constData();
    EXPECT_EQ(runCli({QStringLiteral("show"), file, QStringLiteral("--force")}).exitCode, 64)
        << "--force belongs to init";
    EXPECT_EQ(bytesOf(file), before);
}
