#include "transfer/NamingRules.h"
#include "QStringPrinting.h"
#include "app/SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

ExifEntity shot(const QString& mode = QStringLiteral("02"), const QString& information = QStringLiteral("00"),
                const QString& draw = QStringLiteral("00"))
{
    ExifEntity record;
    record.dateTimeOriginal = QStringLiteral("2024:01:02 10:20:30");
    record.makerNote = QStringLiteral("0a0b0c");
    record.shootingMode = mode;
    record.additionalInformation = information;
    record.drawFlag = draw;
    return record;
}

ExifEntity patient(std::optional<QString> id, std::optional<QString> name)
{
    ExifEntity record = shot();
    record.patientID = std::move(id);
    record.patientName = std::move(name);
    return record;
}

QVariantMap switches(std::initializer_list<const char*> on,
                     const QString& paddingLength = QStringLiteral("0"))
{
    QVariantMap settings{{QLatin1String(SettingsKey::zeroPaddingLengthString), paddingLength}};
    for (const char* key : on)
        settings.insert(QLatin1String(key), true);
    return settings;
}

} // namespace

TEST(NamingRules, ShootingModeSuffixesFollowEachGenerationsTable)
{
    struct Row
    {
        std::optional<QString> mode;
        const char* plain;
        const char* second;
    };
    const Row rows[] = {
        {QStringLiteral("00"), "", "_Std"},
        {QStringLiteral("01"), "_Face", "_Srg"},
        {QStringLiteral("02"), "_Std", "_Mirr"},
        {QStringLiteral("03"), "_Srg", "_Face"},
        {QStringLiteral("04"), "_Mirr", "_LowG"},
        {QStringLiteral("05"), "_LowG", "_Whit"},
        {QStringLiteral("06"), "_Whit", "_Tmac"},
        {QStringLiteral("07"), "", "_Isol"},
        {QStringLiteral("08"), "_Isol", "_Mov"},
        {QStringLiteral("09"), "_Tmac", ""},
        {QStringLiteral("fe"), "_ID", "_ID"},
        {QStringLiteral("FE"), "_ID", "_ID"},
        {QStringLiteral("fF"), "_Name", "_Name"},
        {QStringLiteral("0a"), "", ""},
        {QStringLiteral("2"), "", ""},
        {std::nullopt, "", ""},
    };
    for (const Row& row : rows) {
        const QString mode = row.mode.value_or(QStringLiteral("(absent)"));
        EXPECT_EQ(NamingRules::getShootingModeString(row.mode), QLatin1String(row.plain)) << qPrintable(mode);
        EXPECT_EQ(NamingRules::getShootingModeString2(row.mode), QLatin1String(row.second))
            << qPrintable(mode);
    }
}

TEST(NamingRules, CustomModeSuffixOnlyForModesZeroToSeven)
{
    for (const char* mode : {"00", "03", "07"}) {
        EXPECT_EQ(NamingRules::getCustomModeString(QLatin1String(mode), QStringLiteral("01")), "-C1") << mode;
        EXPECT_EQ(NamingRules::getCustomModeString(QLatin1String(mode), QStringLiteral("02")), "-C2") << mode;
        EXPECT_EQ(NamingRules::getCustomModeString(QLatin1String(mode), QStringLiteral("03")), "-C3") << mode;
        EXPECT_EQ(NamingRules::getCustomModeString(QLatin1String(mode), QStringLiteral("00")), "") << mode;
        EXPECT_EQ(NamingRules::getCustomModeString(QLatin1String(mode), QStringLiteral("04")), "") << mode;
    }
    for (const char* mode : {"08", "09", "fe", ""})
        EXPECT_EQ(NamingRules::getCustomModeString(QLatin1String(mode), QStringLiteral("01")), "") << mode;
    EXPECT_EQ(NamingRules::getCustomModeString(std::nullopt, QStringLiteral("01")), "");
}

TEST(NamingRules, AdditionalInformationAndDrawFlagSuffixes)
{
    const std::pair<const char*, const char*> table[] = {{"01", "_FLP"}, {"02", "_FLP"}, {"03", "_COL"},
                                                         {"04", "_BW"},  {"05", ""},     {"00", ""}};
    for (const auto& [value, suffix] : table) {
        EXPECT_EQ(NamingRules::getAdditionalInformationString(QLatin1String(value)), QLatin1String(suffix))
            << value;
        EXPECT_EQ(NamingRules::getAdditionalInformationString2(QLatin1String(value)), QLatin1String(suffix))
            << value;
    }
    EXPECT_EQ(NamingRules::getAdditionalInformationString(std::nullopt), "");
    EXPECT_EQ(NamingRules::getDrawFlagString(QStringLiteral("01")), "_D");
    EXPECT_EQ(NamingRules::getDrawFlagString(QStringLiteral("1")), "_D");
    EXPECT_EQ(NamingRules::getDrawFlagString(QStringLiteral("00")), "");
    EXPECT_EQ(NamingRules::getDrawFlagString(QStringLiteral("02")), "");
    EXPECT_EQ(NamingRules::getDrawFlagString(std::nullopt), "");
}

TEST(NamingRules, FileNameJoinsShootingTimeAndSuffixes)
{
    const ExifEntity plain = shot(QStringLiteral("02"), QStringLiteral("03"), QStringLiteral("01"));
    EXPECT_EQ(NamingRules::getNewImageFileName(plain, 3, QStringLiteral(".JPG")),
              "2024-01-02 102030_Std_COL_D(3).JPG");
    EXPECT_EQ(NamingRules::getNewImageFileName(plain, 1, QStringLiteral(".JPG")),
              "2024-01-02 102030_Std_COL_D.JPG");

    // The second generation takes the custom mode and the flip from the extended maker note; the
    // record's own additional information no longer counts, its draw flag still does.
    ExifEntity second = shot(QStringLiteral("00"), QStringLiteral("03"), QStringLiteral("01"));
    second.extendedMakerNoteEntity = ExtendedMakerNoteEntity{};
    second.extendedMakerNoteEntity->customMode = QStringLiteral("02");
    second.extendedMakerNoteEntity->flipDirection = QStringLiteral("04");
    EXPECT_EQ(NamingRules::getNewImageFileName2(second, 2, QStringLiteral(".jpeg")),
              "2024-01-02 102030_Std-C2_BW_D(2).jpeg");
    second.shootingMode = QStringLiteral("08");
    EXPECT_EQ(NamingRules::getNewImageFileName2(second, 0, QStringLiteral(".MIF")),
              "2024-01-02 102030_Mov_BW_D.MIF");
}

TEST(NamingRules, PatientFolderFromIdAndName)
{
    EXPECT_EQ(NamingRules::replaceDirectoryName(QStringLiteral("a/b:c*d?e<f>g|h\"i")), "a_bc.d.e(f)g.h'i");
    EXPECT_EQ(NamingRules::replaceDirectoryName(std::nullopt), std::nullopt);

    const auto folder = [](const ExifEntity& record, const QVariantMap& settings) {
        return NamingRules::getPatientFolder(record, SettingsSnapshot::fromDictionary(settings));
    };
    const QString name = QStringLiteral("NAME");
    EXPECT_EQ(folder(patient(QStringLiteral("12/34:5"), name), switches({})), "12_345 NAME");

    EXPECT_EQ(folder(patient(QStringLiteral("123"), QString()),
                     switches({SettingsKey::zeroPadding}, QStringLiteral("6"))),
              "000123");
    EXPECT_EQ(folder(patient(QStringLiteral("123"), name),
                     switches({SettingsKey::zeroPadding}, QStringLiteral("6"))),
              "000123 NAME");
    EXPECT_EQ(folder(patient(QStringLiteral("123"), name),
                     switches({SettingsKey::zeroPadding}, QStringLiteral("2"))),
              "123 NAME");
    EXPECT_EQ(folder(patient(QStringLiteral("123"), name), switches({}, QStringLiteral("6"))), "123 NAME")
        << "the length alone does not pad";

    EXPECT_EQ(folder(patient(QStringLiteral("00123"), name), switches({SettingsKey::chopCount})),
              "$123000/00123 NAME");
    EXPECT_EQ(folder(patient(QStringLiteral("A123"), name), switches({SettingsKey::chopCount})), "A123 NAME");
    EXPECT_EQ(folder(patient(QStringLiteral("00123"), name),
                     switches({SettingsKey::chopCount, SettingsKey::dontAddPatientName})),
              "$123000/00123");
    EXPECT_EQ(folder(patient(QStringLiteral("12"), name),
                     switches({SettingsKey::chopCount, SettingsKey::zeroPadding}, QStringLiteral("4"))),
              "$12000/0012 NAME");
    EXPECT_EQ(folder(patient(QStringLiteral("00123"), name), switches({SettingsKey::dontAddPatientName})),
              "00123");

    // Empty and absent IDs differ: only the empty one means "shot without a patient".
    EXPECT_EQ(folder(patient(QString(), name), switches({})), "No Information");
    EXPECT_EQ(folder(patient(QString(), name), switches({SettingsKey::chopCount})), "No Information");
    EXPECT_EQ(folder(patient(std::nullopt, std::nullopt), switches({})), "00000000000000000000");
    EXPECT_EQ(folder(patient(std::nullopt, std::nullopt), switches({SettingsKey::chopCount})),
              "$0000/00000000000000000000");
    EXPECT_EQ(folder(patient(QStringLiteral("00123"), QString()), switches({})), "00123")
        << "an empty name adds nothing";

    EXPECT_EQ(NamingRules::getDividedFolderName(QStringLiteral("12345")), "$12345000");
    EXPECT_EQ(NamingRules::getDividedFolderName(QStringLiteral("99999999999")), "$2147483647000");
}

TEST(NamingRules, BasicEditionPadsToTenDigitsAndKeepsImagesWithoutPatient)
{
    const QVariantMap padding{{QLatin1String(SettingsKey::idNumberZeroPadding), true}};
    const auto folder = [](const ExifEntity& record, const QVariantMap& settings) {
        return NamingRules::getPatientFolderBasic(record, SettingsSnapshot::fromDictionary(settings));
    };
    EXPECT_EQ(folder(patient(QStringLiteral("12345"), QStringLiteral("NAME")), padding), "0000012345 NAME");
    EXPECT_EQ(folder(patient(QStringLiteral("123456789012"), QString()), padding), "3456789012");
    EXPECT_EQ(folder(patient(QStringLiteral("12345"), QStringLiteral("NAME")), {}), "12345 NAME");
    EXPECT_EQ(folder(patient(QString(), QStringLiteral("NAME")), padding), "No Information");
    EXPECT_EQ(folder(patient(std::nullopt, std::nullopt), padding), "No Information");
}

TEST(NamingRules, DaySubfolderAndSafeRelativeFolders)
{
    // The settings window's patterns spell the year and day in capitals.
    const auto day = [](const ExifEntity& record, const QString& pattern) {
        const QVariantMap snapshot{{QLatin1String(SettingsKey::dateFormatString), pattern}};
        return NamingRules::getDaySubfolderName(record,
                                                SettingsSnapshot::fromDictionary(snapshot).folderDateFormat);
    };
    const ExifEntity record = shot();
    EXPECT_EQ(day(record, QStringLiteral("YYYY-MM-DD")), "2024-01-02");
    EXPECT_EQ(day(record, QStringLiteral("YYYYMMDD")), "20240102");
    ExifEntity badDate = record;
    badDate.dateTimeOriginal = QStringLiteral("2024:13:45 10:20:30");
    EXPECT_EQ(day(badDate, QStringLiteral("YYYYMMDD")), std::nullopt);
    badDate.dateTimeOriginal = QStringLiteral("2024");
    EXPECT_EQ(day(badDate, QStringLiteral("YYYYMMDD")), std::nullopt);
    badDate.dateTimeOriginal.reset();
    EXPECT_EQ(day(badDate, QStringLiteral("YYYYMMDD")), std::nullopt);

    EXPECT_EQ(NamingRules::neutraliseRelativeFolder(QStringLiteral("../../x")), "__/__/x");
    EXPECT_EQ(NamingRules::neutraliseRelativeFolder(QStringLiteral("a/./b//c/..")), "a/_/b/_/c/__");
    EXPECT_EQ(NamingRules::neutraliseRelativeFolder(QStringLiteral("/abs")), "_/abs");
    EXPECT_EQ(NamingRules::neutraliseRelativeFolder(QStringLiteral("a\nb\x7f")), "a_b_");
    EXPECT_EQ(NamingRules::neutraliseRelativeFolder(QStringLiteral("... .x/0001 A.B")), "... .x/0001 A.B");
}

namespace {

// A destination folder whose files hold the shots the fake reader gives for their names.
class FreeName : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    void holds(const QString& name, std::optional<ExifEntity> record)
    {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        m_shots.insert(m_dir.filePath(name), std::move(record));
    }

    // The chosen file name, or "(same shot)" when there is none.
    QString nameFor(const ExifEntity& record, const QString& extension = QStringLiteral("JPG"),
                    bool second = false) const
    {
        const NamingRules::MetadataReader reader = [this](const QString& path) {
            return m_shots.value(path);
        };
        const auto path =
            second ? NamingRules::getValidNewImageFileName2(m_dir.path(), extension, record, reader)
                   : NamingRules::getValidNewImageFileName(m_dir.path(), extension, record, reader);
        if (!path)
            return QStringLiteral("(same shot)");
        EXPECT_TRUE(path->startsWith(m_dir.path() + QLatin1Char('/'))) << qPrintable(*path);
        return path->section(QLatin1Char('/'), -1);
    }

    QTemporaryDir m_dir;
    QMap<QString, std::optional<ExifEntity>> m_shots;
    const ExifEntity m_shot = shot();
    const ExifEntity m_other = [] {
        ExifEntity other = shot();
        other.makerNote = QStringLiteral("ffffff"); // same second, another shot
        return other;
    }();
};

} // namespace

TEST_F(FreeName, ClashesGetTheNextCounterFromTwoUp)
{
    EXPECT_EQ(nameFor(m_shot), "2024-01-02 102030_Std.JPG");
    holds(QStringLiteral("2024-01-02 102030_Std.JPG"), m_other);
    EXPECT_EQ(nameFor(m_shot), "2024-01-02 102030_Std(2).JPG");
    holds(QStringLiteral("2024-01-02 102030_Std(2).JPG"), m_other);
    EXPECT_EQ(nameFor(m_shot), "2024-01-02 102030_Std(3).JPG");
    holds(QStringLiteral("2024-01-02 102030_Std(7).JPG"), m_other);
    EXPECT_EQ(nameFor(m_shot), "2024-01-02 102030_Std(8).JPG") << "gaps are not filled";
    holds(QStringLiteral("2024-01-02 102030_Std_FLP.JPG"), m_other);
    EXPECT_EQ(nameFor(m_shot), "2024-01-02 102030_Std(8).JPG") << "a longer suffix is no counter";
}

TEST_F(FreeName, PlainNameIsUsedAgainOnceItIsFree)
{
    holds(QStringLiteral("2024-01-02 102030_Std(2).JPG"), m_other);
    holds(QStringLiteral("2024-01-02 102030_Std(3).JPG"), m_other);
    EXPECT_EQ(nameFor(m_shot), "2024-01-02 102030_Std.JPG");
}

TEST_F(FreeName, TheSameShotUnderAnyCandidateNameGetsNoName)
{
    holds(QStringLiteral("2024-01-02 102030_Std.JPG"), m_other);
    holds(QStringLiteral("2024-01-02 102030_Std_FLP.JPG"), m_shot);
    EXPECT_EQ(nameFor(m_shot), "(same shot)");
}

TEST_F(FreeName, SameShotNeedsEqualTimeAndMakerNoteAndAReadableFile)
{
    ExifEntity otherTime = m_shot;
    otherTime.dateTimeOriginal = QStringLiteral("2024:01:02 10:20:31");
    holds(QStringLiteral("2024-01-02 102030_Std.JPG"), std::nullopt);
    holds(QStringLiteral("2024-01-02 102030_Std(2).JPG"), otherTime);
    EXPECT_EQ(nameFor(m_shot), "2024-01-02 102030_Std(3).JPG");
    holds(QStringLiteral("2024-01-02 102030_Std(3).JPG"), m_shot);
    EXPECT_EQ(nameFor(m_shot), "(same shot)");
}

TEST_F(FreeName, ExtensionKeepsItsCaseAndDefaultsToJpg)
{
    EXPECT_EQ(nameFor(m_shot, QStringLiteral("jpeg")), "2024-01-02 102030_Std.jpeg");
    EXPECT_EQ(nameFor(m_shot, QString()), "2024-01-02 102030_Std.JPG");
    holds(QStringLiteral("2024-01-02 102030_Std.jpeg"), m_other);
    EXPECT_EQ(nameFor(m_shot, QStringLiteral("jpeg")), "2024-01-02 102030_Std(2).jpeg");
    EXPECT_EQ(nameFor(m_shot, QStringLiteral("JPG")), "2024-01-02 102030_Std.JPG");

    ExifEntity second = m_shot;
    second.shootingMode = QStringLiteral("00");
    second.extendedMakerNoteEntity = ExtendedMakerNoteEntity{};
    second.extendedMakerNoteEntity->customMode = QStringLiteral("01");
    EXPECT_EQ(nameFor(second, QStringLiteral("JPG"), true), "2024-01-02 102030_Std-C1.JPG");
}
