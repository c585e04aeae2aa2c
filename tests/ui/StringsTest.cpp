#include "UiTestSupport.h"

using StringTables = UiTest;

TEST_F(StringTables, EnglishAndJapaneseHoldTheSameKeysAndNoEmptyText)
{
    const QStringList english = Strings::keys(QStringLiteral("en"));
    EXPECT_GT(english.size(), 90);
    EXPECT_EQ(english, Strings::keys(QStringLiteral("ja")));
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("ja")}) {
        Strings::setLanguage(language);
        for (const QString& key : english)
            EXPECT_FALSE(Strings::text(key).trimmed().isEmpty())
                << qPrintable(language) << " " << qPrintable(key);
    }
}

TEST_F(StringTables, LanguageIsForcedAndBasicEditionOverridesItsOwnTexts)
{
    const QString key = QStringLiteral("ProgressWindow_Title");
    Strings::setLanguage(QStringLiteral("ja"));
    const QString japanese = Strings::text(key);
    Strings::setLanguage(QStringLiteral("en"));
    EXPECT_NE(japanese, Strings::text(key));
    EXPECT_EQ(Strings::text(QStringLiteral("NoSuchWindow_Key")), QStringLiteral("NoSuchWindow_Key"));

    TrevaselCommon::setEdition(Edition::Basic);
    EXPECT_FALSE(Strings::text(QStringLiteral("CopyResultWindow_MessageLabel")).contains(u"%1"));
    EXPECT_EQ(Strings::text(key), QStringLiteral("Importing Pictures"));
}
