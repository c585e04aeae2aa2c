#include "AppTestSupport.h"

#include "app/SettingsMigration.h"
#include "app/TrevaselCommon.h"
#include "app/WebSite.h"
#include "history/HistoryDatabase.h"
#include "history/ImportedFileDao.h"

#include <QDir>
#include <QFileInfo>

namespace {

// What each stored build must end with: the keys its steps add (with the value of the first step that
// adds them), whether "deliver" is made and whether the two history columns are added.
struct MigrationCase
{
    int build;
    QVariantMap added;
    bool deliver;
    bool columns;
};

void PrintTo(const MigrationCase& run, std::ostream* out)
{
    *out << "stored build " << run.build;
}

// What the latest step adds: the copy check and the DICOM settings.
QVariantMap withLatestStep(QVariantMap added)
{
    added.insert({{"verify copies", true},
                  {"dicom export", false},
                  {"dicom folder path", QString()},
                  {"dicom send", false},
                  {"dicom peer host", QString()},
                  {"dicom peer port", qint64(104)},
                  {"dicom called ae title", QStringLiteral("ANY-SCP")},
                  {"dicom calling ae title", QStringLiteral("TREVASEL")}});
    return added;
}

QVariantMap stepsFrom5()
{
    return {{"delete original image", qint64(1)},
            {"dont send patient information image", qint64(1)},
            {"save day subfolder", qint64(0)},
            {"zero padding", qint64(0)},
            {"chop camera serial number", qint64(0)},
            {"chop count", qint64(0)},
            {"dont add patient name", qint64(1)},
            {"export xml", qint64(1)},
            {"eject removable device", qint64(0)},
            {"the wait seconds for checking designated folder", qint64(60)},
            {"dont send mif", qint64(1)},
            {"destination folder path mov", QString()},
            {"destination folder mov", qint64(0)}};
}

QVariantMap stepsFrom2()
{
    QVariantMap added = stepsFrom5();
    const QVariantMap step2{
        {"export xml", false},
        {"zero padding", true},
        {"zero padding length", qint64(6)},
        {"zero padding length string", qint64(10)},
        {"chop camera serial number", false},
        {"chop count", false},
        {"dont add patient name", false},
        {"dont send mif", false},
        {"information check site", WebSite::url(WebSite::japaneseInformationListPath)},
        {"checked information id", qint64(0)},
        {"information check site english", WebSite::url(WebSite::englishInformationListPath)}};
    for (auto it = step2.begin(); it != step2.end(); ++it)
        added.insert(it.key(), it.value());
    return added;
}

QVariantMap withProductPage(QVariantMap added)
{
    added.insert("manual version check site", WebSite::url(WebSite::productPagePath));
    return added;
}

class SettingsMigrationTest : public IsolatedHomeTest
{
protected:
    void SetUp() override
    {
        IsolatedHomeTest::SetUp();
        m_destination = m_root.path() + QStringLiteral("/pictures");
        ASSERT_TRUE(QDir().mkpath(m_destination));
        // A history database as builds before the movie columns made it.
        const ImportedFileDao history(TrevaselCommon::getDBFilePath());
        ASSERT_TRUE(HistoryDatabase::createIfMissing(history.databaseFilePath()));
        ASSERT_TRUE(
            history.alterTable(QStringLiteral("alter table imported_file drop column original_file_name;")));
        ASSERT_TRUE(
            history.alterTable(QStringLiteral("alter table imported_file drop column transferred_folder;")));
    }

    QVariantMap storedFile(int build)
    {
        return {{"last build number", QString::number(build)}, {"destination folder path", m_destination}};
    }

    // What the full program hands the migration for the history's columns.
    static void addColumns() { HistoryDatabase::addTransferColumns(TrevaselCommon::getDBFilePath()); }
    static bool hasColumn(const QString& name)
    {
        return ImportedFileDao(TrevaselCommon::getDBFilePath())
            .existColumn(name, QStringLiteral("imported_file"));
    }

    QString m_destination;
};

class MigrationByBuild : public SettingsMigrationTest, public ::testing::WithParamInterface<MigrationCase>
{
};

TEST_P(MigrationByBuild, AddsTheKeysOfItsStepsOnly)
{
    const MigrationCase& expected = GetParam();
    const QVariantMap before = storedFile(expected.build);
    ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(before));
    SettingsMigration::doUpdate(before, addColumns);

    QVariantMap wanted = before;
    const QVariantMap added = expected.build < TrevaselCommon::getBuildNumber().toInt()
                                  ? withLatestStep(expected.added)
                                  : expected.added;
    for (auto it = added.begin(); it != added.end(); ++it)
        wanted.insert(it.key(), it.value());
    const QVariantMap after = TrevaselCommon::getUserSettingDictionary();
    EXPECT_EQ(after.keys(), wanted.keys());
    for (auto it = wanted.begin(); it != wanted.end(); ++it)
        EXPECT_EQ(after.value(it.key()), it.value()) << qPrintable(it.key());
    EXPECT_EQ(QFileInfo(m_destination + QStringLiteral("/deliver")).isDir(), expected.deliver);
    EXPECT_EQ(hasColumn(QStringLiteral("original_file_name")), expected.columns);
    EXPECT_EQ(hasColumn(QStringLiteral("transferred_folder")), expected.columns);
}

INSTANTIATE_TEST_SUITE_P(
    StoredBuilds, MigrationByBuild,
    ::testing::Values(MigrationCase{1, withProductPage(stepsFrom2()), true, true},
                      MigrationCase{2, stepsFrom2(), true, true}, MigrationCase{5, stepsFrom5(), true, true},
                      MigrationCase{10006,
                                    {{"eject removable device", qint64(0)},
                                     {"the wait seconds for checking designated folder", qint64(60)},
                                     {"dont send mif", qint64(1)},
                                     {"destination folder path mov", QString()},
                                     {"destination folder mov", qint64(0)}},
                                    false,
                                    true},
                      MigrationCase{10008,
                                    {{"dont send mif", qint64(1)},
                                     {"destination folder path mov", QString()},
                                     {"destination folder mov", qint64(0)}},
                                    false,
                                    true},
                      MigrationCase{10009, {}, false, false},
                      MigrationCase{TrevaselCommon::getBuildNumber().toInt(), {}, false, false}),
    [](const ::testing::TestParamInfo<MigrationCase>& run) {
        return "Build" + std::to_string(run.param.build);
    });

TEST_F(SettingsMigrationTest, PresentKeysKeepTheirValuesAndAnExistingDeliverIsLeftAlone)
{
    QVariantMap before = withLatestStep(withProductPage(stepsFrom2()));
    // Every key present with a value no step would write.
    for (auto it = before.begin(); it != before.end(); ++it)
        it.value() = it.value().typeId() == QMetaType::Bool      ? QVariant(!it.value().toBool())
                     : it.value().typeId() == QMetaType::QString ? QVariant(QString())
                                                                 : QVariant(qint64(7));
    before.insert(storedFile(1));
    const QString deliver = m_destination + QStringLiteral("/deliver");
    ASSERT_TRUE(QDir().mkpath(deliver));
    ASSERT_TRUE(writeBytes(deliver + QStringLiteral("/0001.NG"), "kept"));
    ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(before));

    SettingsMigration::doUpdate(before, addColumns);
    EXPECT_EQ(TrevaselCommon::getUserSettingDictionary(), before);
    EXPECT_EQ(readBytes(deliver + QStringLiteral("/0001.NG")), QByteArray("kept"));
    EXPECT_TRUE(hasColumn(QStringLiteral("transferred_folder")));

    // A second run (a start that stopped before the stamp) meets the columns already there.
    SettingsMigration::doUpdate(before, addColumns);
    EXPECT_EQ(TrevaselCommon::getUserSettingDictionary(), before);
}

TEST_F(SettingsMigrationTest, FileOfAnOldBuildMovesFromTheWorkFolderUnlessOneIsAlreadyInPlace)
{
    const QString old = TrevaselCommon::getOldUserSettingPlistFilePath();
    const QString current = TrevaselCommon::getUserSettingPlistFilePath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(old).path()));
    ASSERT_TRUE(writeBytes(old, "old file"));
    ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(storedFile(5)));
    SettingsMigration::doUpdate(storedFile(5), addColumns);
    EXPECT_TRUE(QFileInfo::exists(old)) << "a file in place is never replaced";

    ASSERT_TRUE(QFile::remove(current));
    SettingsMigration::doUpdate(storedFile(5), addColumns);
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_EQ(TrevaselCommon::getUserSettingDictionary().value("export xml"), QVariant(qint64(1)));
}

TEST_F(SettingsMigrationTest, EmptyDestinationMakesNoDeliverFolderAnywhere)
{
    QVariantMap before = storedFile(10005);
    before.insert("destination folder path", QString());
    SettingsMigration::doUpdate(before, addColumns);
    EXPECT_FALSE(QFileInfo::exists(QDir::currentPath() + QStringLiteral("/deliver")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/deliver")));
    EXPECT_EQ(TrevaselCommon::getUserSettingDictionary().value("dont add patient name"), QVariant(qint64(1)));
}

} // namespace
