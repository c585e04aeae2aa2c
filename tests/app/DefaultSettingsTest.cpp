#include "AppTestSupport.h"

#include "app/PropertyList.h"
#include "app/SettingsValue.h"
#include "app/TrevaselCommon.h"

#include <QMetaType>
#include <QUrl>

#include <map>
#include <optional>

namespace {

using DefaultSettingsTest = EditionTest;

// The keys of the settings table with their stored types, written out here rather than taken from the
// code, so that a key missing from or misspelt in a shipped file is caught.
const std::map<QString, int> kBothEditions{
    {"auto start up", QMetaType::Bool},
    {"watch removable disk drive", QMetaType::Bool},
    {"confirm before sending", QMetaType::LongLong},
    {"watch folder", QMetaType::Bool},
    {"watch folder path", QMetaType::QString},
    {"destination folder path", QMetaType::QString},
    {"dont send patient information image", QMetaType::Bool},
    {"save day subfolder", QMetaType::Bool},
    {"date format", QMetaType::LongLong},
    {"date format string", QMetaType::QString},
    {"delete original image", QMetaType::Bool},
    {"version check site", QMetaType::QString},
    {"display desktop notice", QMetaType::QString},
    {"only camera formated SD", QMetaType::QString},
    {"id number zero padding", QMetaType::QString},
    {"last build number", QMetaType::QString},
    {"verify copies", QMetaType::Bool},
};
const std::map<QString, int> kFullEditionOnly{
    {"eject removable device", QMetaType::Bool},
    {"destination folder mov", QMetaType::Bool},
    {"destination folder path mov", QMetaType::QString},
    {"manual version check site", QMetaType::QString},
    {"information check site", QMetaType::QString},
    {"information check site english", QMetaType::QString},
    {"checked information id", QMetaType::LongLong},
    {"check ng file interval time", QMetaType::Double},
    {"delete imported file record interval time", QMetaType::Double},
    {"last delete imported file record datetime", QMetaType::QString},
    {"export xml", QMetaType::Bool},
    {"zero padding", QMetaType::Bool},
    {"zero padding length", QMetaType::LongLong},
    {"zero padding length string", QMetaType::QString},
    {"chop camera serial number", QMetaType::Bool},
    {"chop count", QMetaType::Bool},
    {"dont add patient name", QMetaType::Bool},
    {"dont send mif", QMetaType::Bool},
    {"activate avoid multiple import check", QMetaType::Bool},
    {"the wait seconds for checking designated folder", QMetaType::LongLong},
    {"dicom export", QMetaType::Bool},
    {"dicom folder path", QMetaType::QString},
    {"dicom send", QMetaType::Bool},
    {"dicom peer host", QMetaType::QString},
    {"dicom peer port", QMetaType::LongLong},
    {"dicom called ae title", QMetaType::QString},
    {"dicom calling ae title", QMetaType::QString},
};

std::map<QString, int> keysOf(Edition edition)
{
    std::map<QString, int> keys = kBothEditions;
    if (edition == Edition::Full)
        keys.insert(kFullEditionOnly.begin(), kFullEditionOnly.end());
    return keys;
}

TEST_P(DefaultSettingsTest, ShippedFileHoldsExactlyTheKeysOfItsEditionWithTheirTypes)
{
    const std::optional<QVariantMap> defaults =
        PropertyList::fromData(TrevaselCommon::getDefaultUserSettingData());
    ASSERT_TRUE(defaults.has_value());

    const std::map<QString, int> expected = keysOf(GetParam());
    for (const auto& [key, type] : expected) {
        ASSERT_TRUE(defaults->contains(key)) << key.toStdString();
        EXPECT_EQ(defaults->value(key).typeId(), type) << key.toStdString();
    }
    for (const QString& key : defaults->keys())
        EXPECT_TRUE(expected.count(key)) << "unknown key " << key.toStdString();
}

TEST_P(DefaultSettingsTest, ShippedFileIsAFirstStartWithValuesTheProgramCanUse)
{
    const std::optional<QVariantMap> defaults =
        PropertyList::fromData(TrevaselCommon::getDefaultUserSettingData());
    ASSERT_TRUE(defaults.has_value());
    using namespace SettingsValue;

    EXPECT_TRUE(TrevaselCommon::isFirstStart(*defaults));
    const QUrl versionList(stringValue(*defaults, "version check site"));
    EXPECT_TRUE(versionList.isValid() && versionList.scheme() == "https" && !versionList.host().isEmpty());
    if (GetParam() == Edition::Full) {
        EXPECT_TRUE(
            stringValue(*defaults, "information check site").endsWith("/orthavisio/MDinformation.lst"));
        EXPECT_TRUE(stringValue(*defaults, "information check site english")
                        .endsWith("/orthavisio/MEinformation.lst"));
        EXPECT_TRUE(
            stringValue(*defaults, "manual version check site").endsWith("/orthavisio/trevasel.html"));
        EXPECT_GT(doubleValue(*defaults, "check ng file interval time"), 0.0);
        EXPECT_GT(doubleValue(*defaults, "delete imported file record interval time"), 0.0);
        // An unparsable last purge time would stop the purge for good.
        EXPECT_TRUE(
            TrevaselCommon::stringToDate(stringValue(*defaults, "last delete imported file record datetime"))
                .has_value());
        EXPECT_GT(intValue(*defaults, "zero padding length string"), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(BothEditions, DefaultSettingsTest, ::testing::Values(Edition::Full, Edition::Basic),
                         editionName);

} // namespace
