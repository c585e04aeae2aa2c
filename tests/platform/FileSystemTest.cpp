#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>

#include "tests/support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Every name in the folder, hidden ones included, so a leftover temporary file shows.
QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

QByteArray picture(qsizetype size)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 7) & 0xff);
    return bytes;
}

using testsupport::FileSizeLimit;

class FileSystemTest : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(FileSystemTest, CopyKeepsBytesAndModificationTime)
{
    put(path(QStringLiteral("a.JPG")), picture(3 * 1024 * 1024 + 5));
    QFile shot(path(QStringLiteral("a.JPG")));
    ASSERT_TRUE(shot.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        shot.setFileTime(QDateTime(QDate(2024, 5, 14), QTime(10, 0)), QFileDevice::FileModificationTime));
    shot.close();
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("out")));

    const auto result =
        FileSystem::copyFile(path(QStringLiteral("a.JPG")), path(QStringLiteral("out/b.JPG")));
    ASSERT_TRUE(result.ok) << qPrintable(result.error);
    EXPECT_EQ(contentOf(path(QStringLiteral("out/b.JPG"))), contentOf(path(QStringLiteral("a.JPG"))));
    EXPECT_EQ(QFileInfo(path(QStringLiteral("out/b.JPG"))).lastModified(),
              QDateTime(QDate(2024, 5, 14), QTime(10, 0)));
    EXPECT_EQ(namesIn(path(QStringLiteral("out"))), QStringList{QStringLiteral("b.JPG")});
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("a.JPG")))) << "a copy leaves the source";
}

TEST_F(FileSystemTest, NothingIsReplacedByACopyOrAMove)
{
    put(path(QStringLiteral("new.JPG")), "new picture");
    put(path(QStringLiteral("old.JPG")), "picture already there");
    EXPECT_FALSE(FileSystem::copyFile(path(QStringLiteral("new.JPG")), path(QStringLiteral("old.JPG"))).ok);
    EXPECT_FALSE(FileSystem::moveFile(path(QStringLiteral("new.JPG")), path(QStringLiteral("old.JPG"))).ok);
    EXPECT_EQ(contentOf(path(QStringLiteral("old.JPG"))), QByteArray("picture already there"));
    EXPECT_EQ(contentOf(path(QStringLiteral("new.JPG"))), QByteArray("new picture"));
    EXPECT_EQ(namesIn(m_dir.path()).size(), 2) << "no temporary file left behind";
}

TEST_F(FileSystemTest, FullDiskLeavesNoFileUnderTheFinalNameAndNoTemporaryFile)
{
    put(path(QStringLiteral("a.JPG")), picture(256 * 1024));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("out")));
    FileSystem::Result result;
    {
        const FileSizeLimit limit(64 * 1024);
        result = FileSystem::copyFile(path(QStringLiteral("a.JPG")), path(QStringLiteral("out/a.JPG")));
    }
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("out/a.JPG"))) << qPrintable(result.error);
    EXPECT_TRUE(namesIn(path(QStringLiteral("out"))).isEmpty())
        << qPrintable(namesIn(path(QStringLiteral("out"))).join(u','));
}

TEST_F(FileSystemTest, UnwritableDestinationAndMissingSourceFailWithAReason)
{
    put(path(QStringLiteral("a.JPG")), "picture");
    put(path(QStringLiteral("plain-file")), "not a folder");
    const auto intoFile =
        FileSystem::copyFile(path(QStringLiteral("a.JPG")), path(QStringLiteral("plain-file/a.JPG")));
    EXPECT_FALSE(intoFile.ok);
    EXPECT_FALSE(intoFile.error.isEmpty());
    EXPECT_FALSE(FileSystem::copyFile(path(QStringLiteral("gone.JPG")), path(QStringLiteral("b.JPG"))).ok);
    EXPECT_FALSE(FileSystem::moveFile(path(QStringLiteral("gone.JPG")), path(QStringLiteral("b.JPG"))).ok);
    EXPECT_FALSE(FileSystem::removeFile(path(QStringLiteral("gone.JPG"))).ok);
    EXPECT_FALSE(FileSystem::copyFile(m_dir.path(), path(QStringLiteral("folder-copy"))).ok)
        << "only regular files";
}

TEST_F(FileSystemTest, MoveWithinOneFilesystemRenames)
{
    put(path(QStringLiteral("a.JPG")), picture(1000));
    ASSERT_TRUE(FileSystem::makePath(path(QStringLiteral("x/y/z"))));
    ASSERT_TRUE(FileSystem::moveFile(path(QStringLiteral("a.JPG")), path(QStringLiteral("x/y/z/a.JPG"))).ok);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("a.JPG"))));
    EXPECT_EQ(contentOf(path(QStringLiteral("x/y/z/a.JPG"))), picture(1000));
}

TEST_F(FileSystemTest, MoveToAnotherFilesystemCopiesThenRemovesTheSource)
{
    // /dev/shm is a tmpfs on every Linux machine; the test folder is not.
    QTemporaryDir other(QStringLiteral("/dev/shm/trevasel-test-XXXXXX"));
    if (!other.isValid() || QStorageInfo(other.path()).device() == QStorageInfo(m_dir.path()).device())
        GTEST_SKIP() << "no second filesystem here";
    put(path(QStringLiteral("a.JPG")), picture(100000));
    const QString target = other.filePath(QStringLiteral("a.JPG"));
    ASSERT_TRUE(FileSystem::moveFile(path(QStringLiteral("a.JPG")), target).ok);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("a.JPG"))));
    EXPECT_EQ(contentOf(target), picture(100000));
}

TEST_F(FileSystemTest, AStagedCopyGetsItsNameOnlyOnCommitAndLeavesNothingBehindOtherwise)
{
    put(path(QStringLiteral("a.JPG")), picture(1024 * 1024 + 3));
    ASSERT_TRUE(FileSystem::makePath(path(QStringLiteral("out"))));
    ASSERT_TRUE(FileSystem::makePath(path(QStringLiteral("elsewhere"))));
    const QString out = path(QStringLiteral("out"));
    const QString source = path(QStringLiteral("a.JPG"));

    FileSystem::StagedCopy staged;
    ASSERT_TRUE(FileSystem::StagedCopy::stage(source, out, out + QStringLiteral("/b.JPG"), staged).ok);
    const QStringList whileStaged = namesIn(out);
    ASSERT_EQ(whileStaged.size(), 1);
    EXPECT_TRUE(whileStaged.first().startsWith(u'.'))
        << "hidden until committed: " << qPrintable(whileStaged.first());
    ASSERT_TRUE(staged.commit(out + QStringLiteral("/b.JPG")).ok);
    EXPECT_EQ(namesIn(out), QStringList{QStringLiteral("b.JPG")});
    EXPECT_EQ(contentOf(out + QStringLiteral("/b.JPG")), picture(1024 * 1024 + 3));

    {
        FileSystem::StagedCopy dropped;
        ASSERT_TRUE(FileSystem::StagedCopy::stage(source, out, out + QStringLiteral("/c.JPG"), dropped).ok);
    }
    EXPECT_EQ(namesIn(out), QStringList{QStringLiteral("b.JPG")}) << "a copy never committed is removed";

    put(out + QStringLiteral("/taken.JPG"), "picture already there");
    FileSystem::StagedCopy onto;
    ASSERT_TRUE(FileSystem::StagedCopy::stage(source, out, out + QStringLiteral("/taken.JPG"), onto).ok);
    EXPECT_EQ(onto.commit(out + QStringLiteral("/taken.JPG")).errorNumber, EEXIST);
    EXPECT_EQ(contentOf(out + QStringLiteral("/taken.JPG")), QByteArray("picture already there"));
    ASSERT_TRUE(onto.commit(out + QStringLiteral("/taken(2).JPG")).ok)
        << "a name taken first leaves the copy staged";
    EXPECT_EQ(contentOf(out + QStringLiteral("/taken(2).JPG")), picture(1024 * 1024 + 3));

    FileSystem::StagedCopy moved;
    ASSERT_TRUE(FileSystem::StagedCopy::stage(source, out, out + QStringLiteral("/d.JPG"), moved).ok);
    EXPECT_FALSE(moved.commit(path(QStringLiteral("elsewhere/d.JPG"))).ok)
        << "only into the folder it was staged in";
    EXPECT_FALSE(moved.commit(out + QStringLiteral("/d.JPG")).ok) << "a failed commit has given up its copy";
    EXPECT_EQ(namesIn(out), QStringList({QStringLiteral("b.JPG"), QStringLiteral("taken(2).JPG"),
                                         QStringLiteral("taken.JPG")}));
    EXPECT_TRUE(namesIn(path(QStringLiteral("elsewhere"))).isEmpty());
}

TEST_F(FileSystemTest, EntryNamesKeepOnlyThoseBeginningWithThePrefix)
{
    for (const QString& name :
         {QStringLiteral("2024-05-14 103201_Std.JPG"), QStringLiteral("2024-05-14 103201_Std(2).JPG"),
          QStringLiteral("2024-05-14 103202_Std.JPG"), QStringLiteral(".2024-05-14 103201.part"),
          QStringLiteral("患者 2024.JPG"), QStringLiteral("患者 2023.JPG")})
        put(path(name), "x");
    QStringList some = FileSystem::entryNames(m_dir.path(), QStringLiteral("2024-05-14 103201"));
    some.sort();
    EXPECT_EQ(some, QStringList({QStringLiteral("2024-05-14 103201_Std(2).JPG"),
                                 QStringLiteral("2024-05-14 103201_Std.JPG")}));
    EXPECT_EQ(FileSystem::entryNames(m_dir.path(), QStringLiteral("患者 2024")),
              QStringList{QStringLiteral("患者 2024.JPG")});
    EXPECT_EQ(FileSystem::entryNames(m_dir.path()).size(), 6) << "hidden names too, without . and ..";
    EXPECT_TRUE(FileSystem::entryNames(path(QStringLiteral("missing"))).isEmpty());
}

TEST_F(FileSystemTest, OwnTemporaryFilesThatNoWriterHoldsAreRemovedWhateverTheirAge)
{
    const QStringList ours{QStringLiteral(".a.JPG.0123456789abcdef.part"),
                           QStringLiteral(".0000012345.BIX.fedcba9876543210.part")};
    const QStringList others{
        QStringLiteral("2024-05-14 103201_Std.JPG"),    QStringLiteral("a.JPG.0123456789abcdef.part"),
        QStringLiteral(".a.JPG.0123456789ABCDEF.part"), QStringLiteral(".a.JPG.0123456789abcde.part"),
        QStringLiteral(".0123456789abcdef.part"),       QStringLiteral(".notes.part")};
    for (const QString& name : ours + others)
        put(path(name), "x");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral(".b.JPG.0123456789abcdef.part")));
    // A copy that is being made right now, by this import or another, holds its file locked.
    const QString source = path(QStringLiteral("in-flight.JPG"));
    put(source, QByteArray(4096, 'p'));
    FileSystem::StagedCopy inFlight;
    ASSERT_TRUE(
        FileSystem::StagedCopy::stage(source, m_dir.path(), path(QStringLiteral("b.JPG")), inFlight).ok);

    EXPECT_EQ(FileSystem::removeAbandonedTemporaryFiles(m_dir.path()), 2);
    QStringList left = others;
    left << QStringLiteral(".b.JPG.0123456789abcdef.part") << QStringLiteral("in-flight.JPG");
    QStringList names = namesIn(m_dir.path());
    EXPECT_EQ(names.size(), left.size() + 1) << "the copy in flight stays";
    ASSERT_TRUE(inFlight.commit(path(QStringLiteral("b.JPG"))).ok);
    left << QStringLiteral("b.JPG");
    left.sort();
    EXPECT_EQ(namesIn(m_dir.path()), left);
    EXPECT_EQ(FileSystem::removeAbandonedTemporaryFiles(path(QStringLiteral("missing"))), 0);
}

TEST_F(FileSystemTest, OnlyRegularFilesAreOpenedAndAFifoNeverBlocks)
{
    const QString fifo = path(QStringLiteral("X.JPG"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = path(QStringLiteral("L.JPG"));
    put(path(QStringLiteral("real.JPG")), "x");
    ASSERT_TRUE(QFile::link(path(QStringLiteral("real.JPG")), link));
    EXPECT_EQ(FileSystem::openRegularFileForReading(fifo), -1);
    EXPECT_EQ(FileSystem::openRegularFileForReading(link), -1);
    const QString out = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    EXPECT_FALSE(FileSystem::copyFile(fifo, out + QStringLiteral("/X.JPG")).ok);
    EXPECT_FALSE(FileSystem::linkOrCopyFile(link, out + QStringLiteral("/L.JPG")).ok);
    EXPECT_TRUE(namesIn(out).isEmpty());
}

TEST_F(FileSystemTest, ALinkedSourceLeavesOnlyWhenFlushedAndAnExistingNameIsNeverReplaced)
{
    const QString source = path(QStringLiteral("a.JPG"));
    const QString out = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    put(source, "picture");
    put(out + QStringLiteral("/taken.JPG"), "other");
    EXPECT_EQ(FileSystem::linkOrCopyFile(source, out + QStringLiteral("/taken.JPG")).errorNumber, EEXIST);
    ASSERT_TRUE(FileSystem::linkOrCopyFile(source, out + QStringLiteral("/a.JPG")).ok);
    EXPECT_TRUE(FileSystem::sameContents(source, out + QStringLiteral("/a.JPG")));
    EXPECT_FALSE(FileSystem::sameContents(source, out + QStringLiteral("/taken.JPG")));

    FileSystem::SourceRemovals removals;
    removals.add(source, out);
    EXPECT_TRUE(QFile::exists(source)) << "nothing leaves before the flush";
    ASSERT_TRUE(removals.flush().ok);
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_EQ(contentOf(out + QStringLiteral("/a.JPG")), "picture");
}

TEST_F(FileSystemTest, AFileThatIsNotWholeYetIsNeitherCopiedNorLinked)
{
    const QString out = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    const QByteArray endMarker("\xFF\xD9", 2);
    const FileSystem::CopyChecks end{endMarker, true};
    put(path(QStringLiteral("half.JPG")), QByteArray("\xFF\xD8 half a picture", 18));
    for (const auto& attempt :
         {FileSystem::copyFile(path(QStringLiteral("half.JPG")), out + QStringLiteral("/half.JPG"), end),
          FileSystem::linkOrCopyFile(path(QStringLiteral("half.JPG")), out + QStringLiteral("/half.JPG"),
                                     end)})
        EXPECT_EQ(attempt.errorNumber, FileSystem::kUnfinished);
    EXPECT_TRUE(QDir(out).entryList(QDir::Files | QDir::Hidden).isEmpty()) << "no name, no temporary file";

    put(path(QStringLiteral("whole.JPG")), QByteArray("\xFF\xD8 a picture", 13) + endMarker);
    EXPECT_TRUE(
        FileSystem::copyFile(path(QStringLiteral("whole.JPG")), out + QStringLiteral("/whole.JPG"), end).ok);
}

TEST_F(FileSystemTest, ASourceLeavesOnlyIfItIsStillTheFileThatWasImported)
{
    const QString out = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    for (const char* name : {"same.JPG", "written.JPG", "gone.JPG"})
        put(path(QString::fromLatin1(name)), "picture");
    FileSystem::SourceRemovals removals;
    for (const char* name : {"same.JPG", "written.JPG", "gone.JPG"})
        removals.add(path(QString::fromLatin1(name)), out);
    QFile written(path(QStringLiteral("written.JPG")));
    ASSERT_TRUE(written.open(QIODevice::Append));
    written.write(" and the rest");
    written.close();
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("gone.JPG"))));

    EXPECT_TRUE(removals.flush().ok) << "a source already gone is no failure";
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("same.JPG"))));
    EXPECT_EQ(contentOf(path(QStringLiteral("written.JPG"))), "picture and the rest")
        << "written to since: it stays";
}
