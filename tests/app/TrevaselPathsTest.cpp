#include "AppTestSupport.h"

#include "app/TrevaselCommon.h"

#include <QDir>
#include <QFileInfo>

namespace {

using TrevaselPaths = IsolatedHomeTest;
using TrevaselEditionPaths = EditionTest;

TEST_F(TrevaselPaths, FullEditionKeepsSettingsAndDatabaseInItsDataFolderAndTheOldSettingsInTheWorkFolder)
{
    TrevaselCommon::setEdition(Edition::Full);
    const QString data = m_home + "/.local/share/TrevaselForPravena";

    EXPECT_EQ(TrevaselCommon::getApplicationDataDirectory(), data);
    EXPECT_EQ(TrevaselCommon::getApplicationWorkDirectory(), m_home + "/.TrevaselForPravena");
    EXPECT_EQ(TrevaselCommon::getUserSettingPlistFilePath(), data + "/Trevasel-setting.plist");
    EXPECT_EQ(TrevaselCommon::getOldUserSettingPlistFilePath(),
              m_home + "/.TrevaselForPravena/Trevasel-setting.plist");
    EXPECT_EQ(TrevaselCommon::getDBFilePath(), data + "/Trevasel.db");
}

TEST_F(TrevaselPaths, BasicEditionKeepsSettingsInItsHiddenHomeFolderAndHasNoOldSettingsOrDatabase)
{
    TrevaselCommon::setEdition(Edition::Basic);

    EXPECT_EQ(TrevaselCommon::getApplicationWorkDirectory(), m_home + "/.Trevasel");
    EXPECT_EQ(TrevaselCommon::getUserSettingPlistFilePath(), m_home + "/.Trevasel/Trevasel-setting.plist");
    EXPECT_TRUE(TrevaselCommon::getOldUserSettingPlistFilePath().isEmpty());
    EXPECT_TRUE(TrevaselCommon::getDBFilePath().isEmpty());
}

TEST_P(TrevaselEditionPaths, DataFolderIsCreatedWithItsMissingParentsButTheWorkFolderIsNot)
{
    const QString dataHome = m_root.path() + "/not/yet/there";
    setVariable("XDG_DATA_HOME", dataHome);

    const QString data = TrevaselCommon::getApplicationDataDirectory();

    EXPECT_TRUE(data.startsWith(dataHome + "/"));
    EXPECT_TRUE(QFileInfo(data).isDir());
    TrevaselCommon::getUserSettingPlistFilePath();
    EXPECT_FALSE(QFileInfo::exists(TrevaselCommon::getApplicationWorkDirectory()));
}

TEST_P(TrevaselEditionPaths, DefaultDestinationsFollowTheUsersPicturesAndMoviesFolders)
{
    // Folders named in the XDG user-dirs file, as a localised desktop names them.
    QDir().mkpath(m_home + "/.config");
    ASSERT_TRUE(writeBytes(m_home + "/.config/user-dirs.dirs",
                           "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_VIDEOS_DIR=\"$HOME/Filme\"\n"));

    EXPECT_EQ(TrevaselCommon::getPicturesDirectory(), m_home + "/Bilder");
    EXPECT_EQ(TrevaselCommon::getMoviesDirectory(), m_home + "/Filme");
    EXPECT_EQ(TrevaselCommon::getDefaultImageDestinationDirectory(), m_home + "/Bilder/TrevaselD");
    EXPECT_EQ(TrevaselCommon::getDefaultMovieDestinationDirectory(), m_home + "/Filme/TrevaselMovieD");
    EXPECT_EQ(TrevaselCommon::getDefaultDestinationDirectory(), m_home + "/Bilder/Trevasel");
}

INSTANTIATE_TEST_SUITE_P(BothEditions, TrevaselEditionPaths, ::testing::Values(Edition::Full, Edition::Basic),
                         editionName);

} // namespace
