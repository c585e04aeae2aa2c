#include "platform/VolumeService.h"
#include "platform/linux/MountTable.h"
#include "tests/platform/EventLoopWait.h"
#include "tests/platform/ScopedVariable.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray line(int id, const char* mountPoint, const char* source = "/dev/sdb1")
{
    return QByteArray::number(id) + " 29 8:17 / " + mountPoint + " rw,nosuid,nodev shared:200 - vfat " +
           source + " rw,uid=1000\n";
}

} // namespace

TEST(MountTable, MountPointsAreDecodedAndMalformedLinesSkipped)
{
    const QByteArray table = line(25, "/") + "garbage line\n" + line(612, "/media/user/ORV\\040CARD\\134x") +
                             "613 29 8:18 / /mnt/half rw - vfat\n";
    const QList<MountTable::Mount> mounts = MountTable::parse(table);
    ASSERT_EQ(mounts.size(), 2);
    EXPECT_EQ(mounts.at(1).mountId, 612u);
    EXPECT_EQ(mounts.at(1).mountPoint, QStringLiteral("/media/user/ORV CARD\\x"));
    EXPECT_EQ(mounts.at(1).source, QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(mounts.at(1).fileSystemType, QStringLiteral("vfat"));
}

TEST(MountTable, TheDiffNamesNewAndGoneMountsIncludingAMountReplacedAtTheSamePoint)
{
    const QByteArray before = line(25, "/") + line(600, "/media/user/A") + line(601, "/media/user/B");
    const QByteArray after =
        line(25, "/") + line(601, "/media/user/B") + line(602, "/media/user/C") + line(603, "/media/user/B");
    const MountTable::Change change = MountTable::diff(before, after);
    EXPECT_EQ(change.mounted,
              (QStringList{QStringLiteral("/media/user/C"), QStringLiteral("/media/user/B")}));
    EXPECT_EQ(change.unmounted, QStringList{QStringLiteral("/media/user/A")});
    EXPECT_TRUE(MountTable::diff(before, before).isEmpty());
}

TEST(VolumesFolder, TheVariableWinsOverTheMediaFolders)
{
    const ScopedVariable user("USER", QStringLiteral("no-such-user-here"));
    {
        const ScopedVariable root("TREVASEL_VOLUMES_ROOT", QStringLiteral("/tmp/volumes/"));
        EXPECT_EQ(VolumeService::volumesFolder(), QStringLiteral("/tmp/volumes"));
        EXPECT_EQ(VolumeService::volumesFolders(), QStringList{QStringLiteral("/tmp/volumes")});
    }
    const ScopedVariable root("TREVASEL_VOLUMES_ROOT", QString());
    EXPECT_EQ(VolumeService::volumesFolder(), QStringLiteral("/media/no-such-user-here"))
        << "before the first mount neither media folder exists";
    EXPECT_EQ(VolumeService::volumesFolders(), (QStringList{QStringLiteral("/media/no-such-user-here"),
                                                            QStringLiteral("/run/media/no-such-user-here")}));
}

TEST(VolumesFolder, AFolderRenamedIntoTheTestVolumesFolderIsMountedAndUnmountedWhenItGoes)
{
    QTemporaryDir dir;
    const QString volumes = dir.filePath(QStringLiteral("volumes"));
    ASSERT_TRUE(QDir().mkpath(volumes));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("staging/CARD"))));
    const ScopedVariable root("TREVASEL_VOLUMES_ROOT", volumes);
    const auto service = VolumeService::createSystemService();
    QStringList mounted;
    QStringList unmounted;
    QObject::connect(service.get(), &VolumeService::volumeMounted,
                     [&](const QString& p) { mounted.append(p); });
    QObject::connect(service.get(), &VolumeService::volumeUnmounted,
                     [&](const QString& p) { unmounted.append(p); });

    ASSERT_TRUE(
        QDir().rename(dir.filePath(QStringLiteral("staging/CARD")), volumes + QStringLiteral("/CARD")));
    ASSERT_TRUE(waitFor([&] { return !mounted.isEmpty(); }));
    EXPECT_EQ(mounted, QStringList{volumes + QStringLiteral("/CARD")});
    EXPECT_EQ(service->mountedVolumes(), QStringList{volumes + QStringLiteral("/CARD")});

    ASSERT_TRUE(QDir(volumes + QStringLiteral("/CARD")).removeRecursively());
    ASSERT_TRUE(waitFor([&] { return !unmounted.isEmpty(); }));
    EXPECT_EQ(unmounted, QStringList{volumes + QStringLiteral("/CARD")});
}
