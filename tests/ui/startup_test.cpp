// Start-up: one instance at a time (with the real program), the lock of a
// crashed instance, the removable-disk refusal, and what the command line
// names.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <gtest/gtest.h>
#include <filesystem>
#include <sys/sysmacros.h>

#include "catalog/directory_tree.h"
#include "catalog/scan_info.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/startup.h"

namespace tvn::ui {
namespace {

TEST(SingleInstance, ASecondInstanceIsToldAndTheFirstRunsOn) {
    test::TempDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.Path()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString lockPath = QString::fromStdString(runtime / "tarvolin.lock");

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(TVN_GUI_EXE), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(test::WaitFor([&] { return QFile::exists(lockPath); }, 20000)) << "the first instance takes the lock";

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(TVN_GUI_EXE), {});
    ASSERT_TRUE(second.waitForStarted(10000));
    QByteArray err;
    ASSERT_TRUE(test::WaitFor([&] {
        err += second.readAllStandardError();
        return err.contains("already running") || second.state() == QProcess::NotRunning;
    }, 20000));
    EXPECT_TRUE(err.contains("Orvane Tarvolin already running. Please close the running instance first."))
        << err.toStdString();
    // The second shows its box (nobody answers it here) and is ended.
    second.kill();
    second.waitForFinished(5000);

    EXPECT_EQ(first.state(), QProcess::Running) << "the first instance is untouched";
    EXPECT_TRUE(QFile::exists(lockPath));
    first.kill();
    first.waitForFinished(5000);
}

TEST(SingleInstance, TheLockOfACrashedInstanceIsTakenOver) {
    test::TempDir runtime;
    // A process that has ended left its lock behind.
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForFinished(5000));
    const qint64 deadPid = gone.processId() != 0 ? gone.processId() : 999999;
    QFile stale(QString::fromStdString(runtime / "tarvolin.lock"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(deadPid) + "\ntarvolin\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    stale.close();

    CInstanceLock lock(QString::fromStdString(runtime.Path()));
    EXPECT_EQ(lock.Acquire(), CInstanceLock::Result::Acquired);
    CInstanceLock again(QString::fromStdString(runtime.Path()));
    EXPECT_EQ(again.Acquire(), CInstanceLock::Result::AlreadyRunning);
}

TEST(Startup, OnlyARemovableDiskOrItsPartitionIsRefused) {
    test::TempDir sys;
    namespace fs = std::filesystem;
    // A card (removable) with a partition, and a fixed disk.
    fs::create_directories(sys / "block/sdb/sdb1");
    fs::create_directories(sys / "block/sda/sda2");
    fs::create_directories(sys / "dev/block");
    test::WriteFile(sys / "block/sdb/removable", {'1', '\n'});
    test::WriteFile(sys / "block/sda/removable", {'0', '\n'});
    test::WriteFile(sys / "block/sdb/sdb1/partition", {'1', '\n'});
    test::WriteFile(sys / "block/sda/sda2/partition", {'2', '\n'});
    fs::create_directory_symlink(sys / "block/sdb/sdb1", sys / "dev/block/8:17");
    fs::create_directory_symlink(sys / "block/sdb", sys / "dev/block/8:16");
    fs::create_directory_symlink(sys / "block/sda/sda2", sys / "dev/block/8:2");
    const QString root = QString::fromStdString(sys.Path());
    EXPECT_TRUE(IsOnRemovableDisk(makedev(8, 17), root));
    EXPECT_TRUE(IsOnRemovableDisk(makedev(8, 16), root));
    EXPECT_FALSE(IsOnRemovableDisk(makedev(8, 2), root));
    EXPECT_FALSE(IsOnRemovableDisk(makedev(0, 45), root)) << "tmpfs and the like have no block device";
}

TEST(Startup, TheCommandLineNamesAMediumOrAScanInfoFile) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    test::MakePhotoImage(image);
    CDirectoryTree tree;
    const std::string info = dir / "card scan.bin";
    test::WriteFile(info, SerializeScanInfo(image, 8192, tree));

    EXPECT_EQ(ClassifyStartArgument(QString::fromStdString(image)).medium, QString::fromStdString(image));
    EXPECT_TRUE(ClassifyStartArgument(QString::fromStdString(image)).scanInfo.isEmpty());
    EXPECT_EQ(ClassifyStartArgument(QString::fromStdString(info)).scanInfo, QString::fromStdString(info));
    EXPECT_EQ(ClassifyStartArgument(QStringLiteral("/dev/sdz")).medium, QStringLiteral("/dev/sdz"));
    EXPECT_TRUE(ClassifyStartArgument(QString()).medium.isEmpty());
}

}  // namespace
}  // namespace tvn::ui
