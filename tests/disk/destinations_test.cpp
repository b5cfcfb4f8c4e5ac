// Where found files may be saved: the mount table read into destination
// entries; and the hot-plug monitor.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "disk/drives.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

namespace fs = std::filesystem;
using test::LoopDevice;
using test::TempDir;

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

void Put(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}

TEST(Destinations, WritableFileSystemsOfTheMountTableAndTheHomeFolder) {
    TempDir dir;
    const std::string root = dir.Path();
    for (const char* d : {"home/ann", "media/ann/CARD", "media/ann/My Disk", "media/ann/DVD", "mnt/ro", "tmp",
                          "dev/shm", "run/user/1000", "proc", "sys/fs/cgroup", "mnt/twice", "mnt/ntfs"})
        fs::create_directories(root + "/" + d);
    Put(root + "/etc/hosts", "127.0.0.1 localhost\n");
    Put(root + "/proc/self/mountinfo",
        "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
        "31 23 0:28 / /sys/fs/cgroup rw,relatime - cgroup2 cgroup2 rw\n"
        "25 27 0:23 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
        "26 27 0:24 / /run/user/1000 rw,relatime - tmpfs tmpfs rw\n"
        "28 27 0:25 / /tmp rw,relatime - tmpfs tmpfs rw\n"
        "29 27 254:0 /etc/hosts /etc/hosts rw,relatime - ext4 /dev/vda rw\n"
        "40 27 8:17 / /media/ann/CARD rw,nosuid,nodev shared:5 - vfat /dev/sdb1 rw,uid=1000\n"
        "41 27 8:33 / /media/ann/My\\040Disk rw,nosuid - exfat /dev/sdc1 rw\n"
        "42 27 11:0 / /media/ann/DVD ro,nosuid - iso9660 /dev/sr0 ro\n"
        "43 27 8:49 / /mnt/ro ro,relatime - ext4 /dev/sdd1 ro\n"
        "44 27 8:50 / /mnt/twice rw,relatime - ext4 /dev/sdd2 rw\n"
        "45 27 8:51 / /mnt/twice ro,relatime - ext4 /dev/sdd3 ro\n"
        "46 27 8:52 / /mnt/ntfs rw,relatime - fuseblk /dev/sdd4 ro\n");
    Put(root + "/run/udev/data/b8:17", "E:ID_FS_LABEL=CARD\nE:ID_FS_TYPE=vfat\n");
    Put(root + "/run/udev/data/b8:33", "E:ID_FS_LABEL=My_Disk\n");
    ScopedEnv home("HOME", "/home/ann");

    const std::vector<CDestination> list = ListDestinations({}, {root, true});
    std::vector<std::string> texts;
    for (const CDestination& d : list) texts.push_back(d.m_strText);
    // Home first; then in mount order: pseudo, system tmpfs, optical,
    // read-only (by the mount's or the file system's options), files
    // mounted over files and mount points hidden by a later read-only mount
    // are left out; a tmpfs of the user's (a RAM disk) stays.
    EXPECT_EQ(texts, (std::vector<std::string>{"/home/ann [Home folder]", "/ []", "/tmp []",
                                               "/media/ann/CARD [CARD]", "/media/ann/My Disk [My_Disk]"}))
        << ::testing::PrintToString(texts);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list[0].m_strPath, "/home/ann");
    for (const CDestination& d : list) EXPECT_FALSE(d.m_bOnSource) << d.m_strText;
}

TEST(Destinations, NoMountTableStillOffersTheHomeFolder) {
    TempDir dir;
    fs::create_directories(dir / "home/bob");
    ScopedEnv home("HOME", "/home/bob");
    const std::vector<CDestination> list = ListDestinations({}, {dir.Path(), false});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_strText, "/home/bob [Home folder]");
}

// A file system mounted read-write for the life of the object.
class Mount {
public:
    Mount(const std::string& device, const std::string& dir, std::string& why) : m_dir(dir) {
        std::string out;
        m_mounted = test::RunCommand("mount '" + device + "' '" + dir + "' 2>&1", &out) == 0;
        if (!m_mounted) why = out;
    }
    ~Mount() {
        if (m_mounted && test::RunCommand("umount '" + m_dir + "' >/dev/null 2>&1") != 0)
            test::RunCommand("umount -l '" + m_dir + "' >/dev/null 2>&1");
    }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    bool Mounted() const { return m_mounted; }

private:
    std::string m_dir;
    bool m_mounted = false;
};

TEST(Destinations, MountedPartitionOfTheSourceIsMarkedOnIt) {
    if (test::RunCommand("command -v mkfs.ext4 >/dev/null 2>&1 || test -x /usr/sbin/mkfs.ext4") != 0)
        GTEST_SKIP() << "mkfs.ext4 is not installed";
    TempDir dir;
    const std::string image = dir / "card.img";
    const media::MbrPartition part{2048, 16384, 0x06};
    {
        media::ImageFile img(image, (2048 + 16384) * 512ULL);
        img.Write(0, media::MakeMbr({&part, 1}));
    }
    std::string why;
    auto loop = LoopDevice::Attach(image, 0, why);
    if (!loop) GTEST_SKIP() << why;
    const std::string p1 = loop->AddPartitions(1, why);
    if (p1.empty()) GTEST_SKIP() << why;
    ASSERT_EQ(test::RunCommand("PATH=$PATH:/usr/sbin:/sbin mkfs.ext4 -q -L TVNCARD '" + p1 + "' >/dev/null 2>&1"),
              0);
    const std::string mountPoint = dir / "card mnt";  // a blank, escaped in the mount table
    fs::create_directories(mountPoint);
    Mount mount(p1, mountPoint, why);
    if (!mount.Mounted()) GTEST_SKIP() << "cannot mount an ext4 partition here: " << why;

    const auto find = [&](const std::vector<CDestination>& list) -> const CDestination* {
        for (const CDestination& d : list)
            if (d.m_strPath == mountPoint) return &d;
        return nullptr;
    };
    // The whole disk, the partition itself, and the image behind the loop
    // device all put the card's mount on the source.
    for (const std::string& source : {loop->Path(), p1, image}) {
        SCOPED_TRACE(source);
        const std::vector<CDestination> list = ListDestinations(source);
        const CDestination* d = find(list);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->m_strText, mountPoint + " [TVNCARD]");
        EXPECT_TRUE(d->m_bOnSource);
        EXPECT_FALSE(d->m_strWhy.empty());
    }
    // The drive list shows the partition's label and file system too (from
    // udev, or read from the partition where udev has not recorded them).
    bool listed = false;
    for (const CLogicalDrives& disk : FindPhysicalDrives().drives) {
        if (disk.m_strDrive != loop->Path()) continue;
        ASSERT_EQ(disk.m_partitions.size(), 1u);
        EXPECT_EQ(disk.m_partitions[0].m_strLabel, "TVNCARD");
        EXPECT_EQ(disk.m_partitions[0].m_strFsType, "ext4");
        EXPECT_EQ(disk.m_partitions[0].ItemText(), "Partition #" + p1 + " [TVNCARD] ext4, 8.000 MB");
        listed = true;
    }
    EXPECT_TRUE(listed);

    // Another medium leaves it alone; so does no source at all.
    TempDir other;
    { media::ImageFile img(other / "other.img", 1 << 20); }
    const CDestination* d = find(ListDestinations(other / "other.img"));
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->m_bOnSource);
    d = find(ListDestinations());
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->m_bOnSource);
}

// --- hot-plug -------------------------------------------------------------------

TEST(HotplugMonitor, StopsPromptlyWithoutEventsAndCanStartAgain) {
    CHotplugMonitor monitor;
    if (!monitor.Start([] {})) GTEST_SKIP() << "no udev or kernel device announcements can be received here";
    monitor.Stop();
    monitor.Stop();  // a second stop does nothing
    EXPECT_TRUE(monitor.Start([] {}));
    // The destructor stops it.
}

TEST(HotplugMonitor, TellsWhenALoopDeviceComesAndGoes) {
    TempDir dir;
    { media::ImageFile img(dir / "hot.img", 1 << 20); }
    std::atomic<int> changes{0};
    CHotplugMonitor monitor;
    if (!monitor.Start([&] { ++changes; })) GTEST_SKIP() << "no device announcements can be received here";
    std::string why;
    {
        auto loop = LoopDevice::Attach(dir / "hot.img", 0, why);
        if (!loop) GTEST_SKIP() << why;
        for (int i = 0; i < 100 && changes.load() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (changes.load() == 0)
        GTEST_SKIP() << "the kernel's device announcements do not reach this network namespace";
    EXPECT_GT(changes.load(), 0);
}

}  // namespace
}  // namespace tvn
