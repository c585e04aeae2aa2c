#include "QStringPrinting.h"
#include "TransferTestSupport.h"

#include "transfer/BasicWatchFolderOperator.h"

#include <QFileInfo>

using namespace transfertest;

namespace {

class BasicTransfer : public TransferFixture
{
protected:
    qint64 run(const QString& folder, bool isMove = false)
    {
        m_job.copyImage(folder, m_settings, isMove);
        return m_job.operationCounter();
    }

    static CameraImage k22At(int second, const QString& model = QStringLiteral("Orthavisio K-22"))
    {
        CameraImage image = shotAt(second, MakerNoteLayout::Legacy);
        image.model = model;
        return image;
    }
    static QString plainName(int second)
    {
        return QStringLiteral("2024-05-14 1032%1_Std.JPG").arg(second, 2, 10, QLatin1Char('0'));
    }

    BasicWatchFolderOperator m_job;
};

} // namespace

TEST_F(BasicTransfer, TakesOnlyUpperCaseJpgStillsOfTheFolderItself)
{
    put(QStringLiteral("a.JPG"), k22At(1));
    put(QStringLiteral("b.jpeg"), k22At(2));
    put(QStringLiteral("c.jpg"), k22At(3));
    put(QStringLiteral(".d.JPG"), k22At(4));
    put(QStringLiteral("sub/e.JPG"), k22At(5));
    EXPECT_EQ(run(m_source), 1);
    EXPECT_EQ(filesBelow(m_destination), QStringList{satoFolder + u'/' + plainName(1)});
    EXPECT_EQ(m_job.getTotalImageFileCount(m_source, 3), 4);
}

TEST_F(BasicTransfer, AcceptsModelsContainingK22Only)
{
    put(QStringLiteral("a.JPG"), k22At(1));
    put(QStringLiteral("b.JPG"), k22At(2, QStringLiteral("Orthavisio K-222")));
    put(QStringLiteral("c.JPG"), k22At(3, QStringLiteral("Orthavisio K-44")));
    put(QStringLiteral("d.JPG"), shotAt(4, MakerNoteLayout::Extended2));
    EXPECT_EQ(run(m_source), 2);
    EXPECT_EQ(filesBelow(m_destination),
              QStringList({satoFolder + u'/' + plainName(1), satoFolder + u'/' + plainName(2)}));
}

TEST_F(BasicTransfer, PadsIdsToTenDigitsAndFilesImagesWithoutPatient)
{
    CameraImage shortId = k22At(1);
    shortId.setPatient({.id = QStringLiteral("12345"), .displayName = QStringLiteral("SATO HANAKO")});
    put(QStringLiteral("a.JPG"), shortId);
    CameraImage noPatient = k22At(2);
    noPatient.clearPatient();
    put(QStringLiteral("b.JPG"), noPatient);
    set(SettingsKey::idNumberZeroPadding);
    EXPECT_EQ(run(m_source), 2);
    EXPECT_EQ(filesBelow(m_destination), QStringList({satoFolder + u'/' + plainName(1),
                                                      QStringLiteral("No Information/") + plainName(2)}));
    EXPECT_EQ(run(m_source), 2) << "the same shots find themselves; the count runs on";
}

TEST_F(BasicTransfer, CountRunsOverCallsAndOnlyPicturesThatArrivedCount)
{
    put(QStringLiteral("first/a.JPG"), k22At(1));
    EXPECT_EQ(run(source(QStringLiteral("first")), true), 1);

    // A plain file where the patient folder would go: that picture cannot arrive.
    CameraImage blocked = k22At(2);
    blocked.setPatient({.id = QStringLiteral("0000099999"), .displayName = QStringLiteral("BLOCKED")});
    put(QStringLiteral("second/b.JPG"), blocked);
    put(QStringLiteral("second/c.JPG"), k22At(3));
    QFile plain(destination(QStringLiteral("0000099999 BLOCKED")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();

    EXPECT_EQ(run(source(QStringLiteral("second")), true), 2);
    EXPECT_EQ(filesBelow(m_source), QStringList{QStringLiteral("second/b.JPG")});
    EXPECT_EQ(filesBelow(m_destination),
              QStringList({satoFolder + u'/' + plainName(1), satoFolder + u'/' + plainName(3),
                           QStringLiteral("0000099999 BLOCKED")}));
}

TEST_F(BasicTransfer, BatchAddsUpEachCallsOwnCount)
{
    put(QStringLiteral("first/a.JPG"), k22At(1));
    put(QStringLiteral("second/b.JPG"), k22At(2));
    BasicWatchFolderOperator job;
    const auto result = WatchFolderBatch::run(
        job, m_settings, {source(QStringLiteral("first")), source(QStringLiteral("second"))});
    EXPECT_FALSE(result.failureReason.has_value());
    EXPECT_EQ(result.transferred, 2);
}
