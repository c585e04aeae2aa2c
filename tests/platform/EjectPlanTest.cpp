#include "platform/EjectService.h"

#include <gtest/gtest.h>

using EjectPlan::DriveAction;

namespace {

// A two-slot card reader (drives r1 and r2 of one device) and a stick that can only be ejected.
const QList<EjectPlan::Drive> kDrives{
    {QStringLiteral("/drives/r1"), true, true, QStringLiteral("reader")},
    {QStringLiteral("/drives/r2"), true, true, QStringLiteral("reader")},
    {QStringLiteral("/drives/stick"), false, true, QString()},
    {QStringLiteral("/drives/fixed"), false, false, QString()},
};

EjectPlan::FileSystem fileSystem(const char* object, const char* drive, const char* mountPoint)
{
    return {QLatin1String(object), QLatin1String(drive),
            mountPoint ? QStringList{QLatin1String(mountPoint)} : QStringList()};
}

} // namespace

TEST(EjectPlan, ACardAloneInItsReaderIsUnmountedAndTheReaderPoweredOff)
{
    const QList<EjectPlan::FileSystem> fileSystems{fileSystem("/block/sdb1", "/drives/r1", "/media/u/CARD"),
                                                   fileSystem("/block/sdc1", "/drives/r2", nullptr)};
    const auto plan = EjectPlan::plan(QStringLiteral("/media/u/CARD/"), fileSystems, kDrives);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->fileSystem, QStringLiteral("/block/sdb1"));
    EXPECT_EQ(plan->drive, QStringLiteral("/drives/r1"));
    EXPECT_EQ(plan->action, DriveAction::PowerOff);
}

TEST(EjectPlan, AnotherMountedVolumeOfTheDriveOrReaderKeepsThePowerOn)
{
    const QList<EjectPlan::FileSystem> otherSlot{fileSystem("/block/sdb1", "/drives/r1", "/media/u/CARD"),
                                                 fileSystem("/block/sdc1", "/drives/r2", "/media/u/OTHER")};
    EXPECT_EQ(EjectPlan::plan(QStringLiteral("/media/u/CARD"), otherSlot, kDrives)->action,
              DriveAction::Eject);

    const QList<EjectPlan::FileSystem> otherPartition{
        fileSystem("/block/sdb1", "/drives/r1", "/media/u/CARD"),
        fileSystem("/block/sdb2", "/drives/r1", "/media/u/P2")};
    EXPECT_EQ(EjectPlan::plan(QStringLiteral("/media/u/CARD"), otherPartition, kDrives)->action,
              DriveAction::Eject);
}

TEST(EjectPlan, TheDrivesPropertiesDecideAndAnUnknownMountPointGivesNoPlan)
{
    const QList<EjectPlan::FileSystem> fileSystems{
        fileSystem("/block/sdd1", "/drives/stick", "/media/u/STICK"),
        fileSystem("/block/sda1", "/drives/fixed", "/data"), fileSystem("/block/loop0", "", "/snap/x")};
    EXPECT_EQ(EjectPlan::plan(QStringLiteral("/media/u/STICK"), fileSystems, kDrives)->action,
              DriveAction::Eject);
    EXPECT_EQ(EjectPlan::plan(QStringLiteral("/data"), fileSystems, kDrives)->action, DriveAction::None);
    const auto loop = EjectPlan::plan(QStringLiteral("/snap/x"), fileSystems, kDrives);
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->action, DriveAction::None) << "a file system without a drive is only unmounted";
    EXPECT_FALSE(EjectPlan::plan(QStringLiteral("/media/u/GONE"), fileSystems, kDrives));
}
