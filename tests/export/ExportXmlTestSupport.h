#pragma once

#include "metadata/ExtendedMakerNoteEntity.h"

#include <QFile>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace exporttest {

// The argument lists of the two templates, written out here rather than taken from the code, so that a
// field missing, moved or wrongly formatted in the code or in a template is caught. A leading "#" marks a
// field written in hex form.
inline QStringList operatorFlags()
{
    QStringList flags;
    for (int i = 1; i <= 21; ++i)
        flags << QStringLiteral("#operatorInfoFlag_%1").arg(i);
    return flags;
}

inline const QStringList kShooting{
    "#selectedMag", "#shootingMode", "#flashMode",    "#brightness",     "#led",           "#ledLighting",
    "#focusMode",   "#afSpot_X",     "#afSpot_Y",     "#hue_AB",         "#hue_MG",        "#contrast",
    "#sharpness",   "#dialFunction", "#autoCropping", "#cameraPosition", "#flipDirection", "#drawingFlag"};
inline const QStringList kPeople = QStringList{"#patientNameOrder",
                                               "#patientInfoFlag_0",
                                               "patientID",
                                               "patientName",
                                               "patientName_A",
                                               "patientName_I",
                                               "patientName_P",
                                               "patientSex",
                                               "patientBirthDate",
                                               "patientAge_QR",
                                               "date_QR",
                                               "#patientInfoFlag_1",
                                               "#patientInfoFlag_2",
                                               "#patientInfoFlag_3",
                                               "#patientInfoFlag_4",
                                               "#patientInfoFlag_5",
                                               "#patientInfoFlag_6",
                                               "#patientInfoFlag_7",
                                               "#patientInfoFlag_8",
                                               "#patientInfoFlag_9",
                                               "#operatorsNameOrder",
                                               "#operatorInfoFlag_0",
                                               "operatorsID",
                                               "operatorsName_A",
                                               "operatorsName_I",
                                               "operatorsName_P",
                                               "#operatorsGroup"} +
                                   operatorFlags();

inline const QStringList kExportXmlFields = QStringList{"majorVersion", "minorVersion", "serial"} +
                                            kShooting + QStringList{"magnification_U", "magnification_L"} +
                                            kPeople;
inline const QStringList kExport2XmlFields =
    QStringList{"majorVersion", "minorVersion", "serial",      "owner",
                "identifier",   "timeZone",     "#summerTime", "#customMode"} +
    kShooting +
    QStringList{"#drawingFlag2", "magnification_U", "magnification_L", "totalCount", "workingDistance"} +
    kPeople + QStringList{"patientExtraInfo", "operatorExtraInfo"};

inline QString fieldName(const QString& entry)
{
    return entry.startsWith(u'#') ? entry.mid(1) : entry;
}

struct XmlElement
{
    QString name;
    QString text;
};

// Reads the file as the practice-management system would: it must be well-formed, declare UTF-8 and hold a
// root whose children are plain text elements. Returns those children.
inline QList<XmlElement> parseXmlFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return {};
    }
    QXmlStreamReader reader(&file);
    reader.readNext();
    EXPECT_TRUE(reader.isStartDocument());
    EXPECT_EQ(reader.documentEncoding().toString().toUpper(), "UTF-8");
    QList<XmlElement> children;
    if (reader.readNextStartElement()) {
        while (reader.readNextStartElement()) {
            const QString name = reader.name().toString();
            children.append({name, reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement)});
        }
    }
    while (!reader.atEnd())
        reader.readNext();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString() << " at line "
                                    << reader.lineNumber();
    return children;
}

// Writes the text as the transfer job does (UTF-8), parses it, and also has xmllint check it when that
// tool is installed.
inline QList<XmlElement> parseXml(const QString& text)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.BIX"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
    file.close();
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (!xmllint.isEmpty()) {
        QProcess lint;
        lint.start(xmllint, {QStringLiteral("--noout"), path});
        EXPECT_TRUE(lint.waitForFinished(30000));
        EXPECT_EQ(lint.exitCode(), 0) << lint.readAllStandardError().toStdString();
    }
    return parseXmlFile(path);
}

// A record in which every field holds its own name, so that each value shows where it came from.
inline ExtendedMakerNoteEntity recordOfFieldNames()
{
    ExtendedMakerNoteEntity record;
#define TREVASEL_SET_OWN_NAME(name) record.name = QStringLiteral(#name);
    TREVASEL_EXTENDED_MAKER_NOTE_FIELDS(TREVASEL_SET_OWN_NAME)
#undef TREVASEL_SET_OWN_NAME
    return record;
}

} // namespace exporttest
