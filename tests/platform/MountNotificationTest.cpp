#include "platform/FileEventStream.h"
#include "platform/VolumeService.h"
#include "tests/platform/EventLoopWait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>

using namespace std::chrono_literals;

// Real mounts, made in a mount namespace of the test's own (the build registers this test under
// "unshare -rm" where the system allows it), so nothing outside the test sees them.
TEST(MountNotifications, AMountBelowTheVolumesFolderIsNotifiedAndIsAnEventThereWithItsContentWatched)
{
    if (qEnvironmentVariable("TREVASEL_PRIVATE_MOUNT_NAMESPACE") != QStringLiteral("1"))
        GTEST_SKIP() << "runs only in a mount namespace of its own";
    QTemporaryDir dir;
    const QString volumes = dir.filePath(QStringLiteral("media"));
    const QString card = volumes + QStringLiteral("/CARD");
    ASSERT_TRUE(QDir().mkpath(card));

    QStringList mounted;
    QStringList unmounted;
    const auto volumeService = VolumeService::createSystemService();
    QObject::connect(volumeService.get(), &VolumeService::volumeMounted,
                     [&](const QString& p) { mounted.append(p); });
    QObject::connect(volumeService.get(), &VolumeService::volumeUnmounted,
                     [&](const QString& p) { unmounted.append(p); });
    QStringList changed;
    const auto stream = FileEventStreamService::createSystemService(100ms)->createStream(
        {volumes}, 0, [&](const FileEventBatch& batch) { changed += batch.paths(); });

    ASSERT_EQ(::mount("none", QFile::encodeName(card).constData(), "tmpfs", 0, nullptr), 0)
        << std::strerror(errno);
    ASSERT_TRUE(waitFor([&] { return mounted.contains(card); }));
    ASSERT_TRUE(waitFor([&] { return changed.contains(volumes); }));

    // The watches now lie on the mounted file system, not on the folder it hides.
    changed.clear();
    ASSERT_TRUE(QDir(card).mkdir(QStringLiteral("DCIM")));
    ASSERT_TRUE(waitFor([&] { return changed.contains(card); }));

    ASSERT_EQ(::umount(QFile::encodeName(card).constData()), 0) << std::strerror(errno);
    ASSERT_TRUE(waitFor([&] { return unmounted.contains(card); }));
}
