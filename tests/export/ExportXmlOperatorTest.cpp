// The two writers on their shipped templates and on templates given by the tests, the choice between
// them, and a record read from a camera file. Every XML text made here is parsed.
#include "ExportXmlTestSupport.h"

#include "camerafiles/CameraFileWriter.h"
#include "export/ExportXmlChoice.h"
#include "export/ExportXmlOperator.h"
#include "export/ExportXmlOperator2.h"
#include "metadata/ExifOperator.h"

#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace exporttest;

namespace {

// The list's fields as the writer must write a record that holds every field's own name.
void expectFieldsInOrder(const QList<XmlElement>& elements, const QStringList& expected)
{
    ASSERT_EQ(elements.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QString name = fieldName(expected[i]);
        const QString value = expected[i].startsWith(u'#') ? QStringLiteral("0x") + name : name;
        EXPECT_EQ(elements[i].name, name) << "position " << i + 1;
        EXPECT_EQ(elements[i].text, value) << "position " << i + 1;
    }
}

QString templateWith(int placeholders)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<extendedMakerNote>\n");
    for (int i = 1; i <= placeholders; ++i)
        text += QStringLiteral("<v%1>%@</v%1>\n").arg(i);
    return text + QStringLiteral("</extendedMakerNote>\n");
}

} // namespace

TEST(ExportXmlTemplates, EveryElementHoldsItsFieldAtItsPosition)
{
    const ExtendedMakerNoteEntity record = recordOfFieldNames();
    expectFieldsInOrder(parseXml(ExportXmlOperator().getXmlData(record).value_or(QString())),
                        kExportXmlFields);
    expectFieldsInOrder(parseXml(ExportXmlOperator2().getXmlData(record).value_or(QString())),
                        kExport2XmlFields);
}

TEST(ExportXmlTemplates, RecordWithoutFieldsGivesEmptyValuesAndNoLoneHexPrefix)
{
    ExtendedMakerNoteEntity emptyTexts;
#define TREVASEL_SET_EMPTY(name) emptyTexts.name = QString();
    TREVASEL_EXTENDED_MAKER_NOTE_FIELDS(TREVASEL_SET_EMPTY)
#undef TREVASEL_SET_EMPTY
    const ExportXmlOperator writer;
    const ExportXmlOperator2 writer2;
    for (const auto& [text, expectedCount] :
         {std::pair{writer.getXmlData(std::nullopt), 71},
          std::pair{writer.getXmlData(ExtendedMakerNoteEntity{}), 71},
          std::pair{writer.getXmlData(emptyTexts), 71}, std::pair{writer2.getXmlData(emptyTexts), 81}}) {
        ASSERT_TRUE(text);
        EXPECT_FALSE(text->contains(u"0x"));
        const QList<XmlElement> elements = parseXml(*text);
        EXPECT_EQ(elements.size(), expectedCount);
        for (const XmlElement& element : elements)
            EXPECT_EQ(element.text, "") << element.name.toStdString();
    }
}

TEST(ExportXmlTemplates, UnreadableTemplateGivesNoText)
{
    QTemporaryDir dir;
    QFile notUtf8(dir.filePath(QStringLiteral("export.xml")));
    ASSERT_TRUE(notUtf8.open(QIODevice::WriteOnly));
    notUtf8.write("<?xml version=\"1.0\"?><a>\xff\xfe%@</a>");
    notUtf8.close();

    for (const QString& path :
         {dir.filePath(QStringLiteral("missing.xml")), notUtf8.fileName(), dir.path()}) {
        const std::optional<QString> loaded = BaseExportXmlOperator::loadTemplate(path);
        EXPECT_EQ(loaded, std::nullopt) << path.toStdString();
        EXPECT_EQ(ExportXmlOperator(loaded).getXmlData(recordOfFieldNames()), std::nullopt);
        EXPECT_EQ(ExportXmlOperator2(loaded).getXmlData(recordOfFieldNames()), std::nullopt);
    }
}

TEST(ExportXmlTemplates, MorePlaceholdersThanTheListGiveNoTextFewerAreFine)
{
    const ExtendedMakerNoteEntity record = recordOfFieldNames();
    EXPECT_EQ(ExportXmlOperator(templateWith(72)).getXmlData(record), std::nullopt);
    EXPECT_EQ(ExportXmlOperator2(templateWith(82)).getXmlData(record), std::nullopt);
    EXPECT_EQ(parseXml(ExportXmlOperator(templateWith(71)).getXmlData(record).value_or(QString())).size(),
              71);
    EXPECT_EQ(parseXml(ExportXmlOperator2(templateWith(81)).getXmlData(record).value_or(QString())).size(),
              81);

    const QList<XmlElement> firstTwo =
        parseXml(ExportXmlOperator2(templateWith(2)).getXmlData(record).value_or(QString()));
    ASSERT_EQ(firstTwo.size(), 2);
    EXPECT_EQ(firstTwo[1].text, "minorVersion");
}

TEST(ExportXmlEscaping, NamesWithMarkupAndForbiddenCharactersStayWellFormed)
{
    ExtendedMakerNoteEntity record;
    record.majorVersion = QStringLiteral("4");
    record.patientName = QStringLiteral("Tom & \"Jerry\" <O'Neil> ]]> 100%");
    record.operatorsName_A = QStringLiteral("line one\r\nline\ttwo");
    // The camera's fixed-width fields keep their zero padding.
    record.owner = QStringLiteral("KORVA") + QString(15, QChar(0));
    record.identifier = QString(QChar(0));
    record.timeZone = QStringLiteral("+9") + QChar(0x01) + QChar(0x1f);
    record.serial =
        QStringLiteral("K44") + QChar(0xD800) + QChar(0xFFFE) + QChar(0xFFFF) + QStringLiteral("0001");

    QHash<QString, QString> values;
    for (const XmlElement& element : parseXml(ExportXmlOperator2().getXmlData(record).value_or(QString())))
        values.insert(element.name, element.text);
    EXPECT_EQ(values.value("patientName"), *record.patientName);
    EXPECT_EQ(values.value("operatorsName_A"), *record.operatorsName_A);
    EXPECT_EQ(values.value("owner"), "KORVA");
    EXPECT_EQ(values.value("identifier"), "");
    EXPECT_EQ(values.value("timeZone"), "+9");
    EXPECT_EQ(values.value("serial"), "K440001");
}

TEST(ExportXmlEscaping, JapaneseNamesArriveAsUtf8)
{
    ExtendedMakerNoteEntity record;
    record.patientName = QStringLiteral("山田 太郎");
    record.patientName_P = QStringLiteral("やまだ^たろう^");
    const std::optional<QString> text = ExportXmlOperator().getXmlData(record);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->toUtf8().contains("\xe5\xb1\xb1\xe7\x94\xb0 \xe5\xa4\xaa\xe9\x83\x8e"));

    const QList<XmlElement> elements = parseXml(*text);
    ASSERT_EQ(elements.size(), 71);
    EXPECT_EQ(elements[26].text, *record.patientName);
    EXPECT_EQ(elements[29].text, *record.patientName_P);
}

TEST(ExportXmlChoice, MajorVersionFourAndAboveTakesTheSecondWriter)
{
    const ExportXmlOperator writer(templateWith(71));
    const ExportXmlOperator2 writer2(templateWith(81));
    EXPECT_EQ(&ExportXmlChoice::writerFor(std::nullopt, writer, writer2), &writer);
    EXPECT_EQ(&ExportXmlChoice::writerFor(ExtendedMakerNoteEntity{}, writer, writer2), &writer);
    const std::pair<const char*, bool> cases[] = {
        {"4", true},  {"10", true}, {" 4", true},  {"4.0", true}, {"3", false},
        {"0", false}, {"", false},  {"-4", false}, {"x4", false}, {"2147483648", true}};
    for (const auto& [majorVersion, second] : cases) {
        ExtendedMakerNoteEntity record;
        record.majorVersion = QString::fromUtf8(majorVersion);
        const BaseExportXmlOperator& chosen = ExportXmlChoice::writerFor(record, writer, writer2);
        EXPECT_EQ(&chosen, second ? static_cast<const BaseExportXmlOperator*>(&writer2) : &writer)
            << majorVersion;
    }
}

TEST(ExportXmlChoice, RecordsReadFromCameraFilesAreDescribedByTheirGenerationsTemplate)
{
    QTemporaryDir dir;
    const ExportXmlOperator writer;
    const ExportXmlOperator2 writer2;
    for (const auto& [layout, expectedFields] :
         {std::pair{testsupport::MakerNoteLayout::Extended2, kExport2XmlFields},
          std::pair{testsupport::MakerNoteLayout::Extended, kExportXmlFields}}) {
        testsupport::CameraImage image = testsupport::defaultCameraImage(layout);
        image.owner = QStringLiteral("KORVA"); // padded with zero bytes to 20 in the file
        const QString path = dir.filePath(QStringLiteral("ORVS%1.JPG").arg(int(layout)));
        ASSERT_TRUE(testsupport::writeCameraFile(path, image));
        const std::optional<ExifEntity> exif = ExifOperator().getExifData(path);
        ASSERT_TRUE(exif && exif->extendedMakerNoteEntity);

        const std::optional<QString> text =
            ExportXmlChoice::writerFor(exif->extendedMakerNoteEntity, writer, writer2)
                .getXmlData(exif->extendedMakerNoteEntity);
        ASSERT_TRUE(text);
        QHash<QString, QString> values;
        const QList<XmlElement> elements = parseXml(*text);
        for (const XmlElement& element : elements)
            values.insert(element.name, element.text);
        EXPECT_EQ(elements.size(), expectedFields.size());
        EXPECT_EQ(values.value("patientID"), "0000012345");
        EXPECT_EQ(values.value("majorVersion"),
                  layout == testsupport::MakerNoteLayout::Extended2 ? "4" : "2");
        if (layout == testsupport::MakerNoteLayout::Extended2) {
            EXPECT_EQ(values.value("owner"), "KORVA");
        }
    }
}
