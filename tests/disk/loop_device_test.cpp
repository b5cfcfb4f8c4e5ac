// The disk source on real block devices: loop devices over images stand in for
// a card reader (whole disk) and its partitions. Needs root and losetup; every
// test that cannot have them is skipped with the reason.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>

#include "disk/disk_source.h"
#include "disk/io.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

using test::LoopDevice;
using test::RunCommand;
using test::TempDir;

constexpr uint64_t kMiB = 1 << 20;

// The figures every opening of a block device must agree on.
void ExpectOpened(const CDiskSource& src, MediumKind kind, DWORD sectorSize, ULONGLONG total,
                  DWORD start, DWORD spc) {
    EXPECT_EQ(src.GetStatus(), CDiskSource::kUsable);
    EXPECT_EQ(src.GetKind(), kind);
    EXPECT_EQ(src.GetSectorSizeU(), sectorSize);
    EXPECT_EQ(src.GetTotalSectors(), total);
    EXPECT_EQ(src.GetStartSector(), start);
    EXPECT_EQ(src.GetSectorsPerCluster(), spc);
    EXPECT_EQ(src.GetTotalClusters(), total / spc);
    // The scan reads its first block at the file offset: it must stand at the
    // start sector.
    EXPECT_EQ(TellFd(src.GetHandle()), static_cast<int64_t>(uint64_t{start} * sectorSize));
}

TEST(LoopDevice, WholeDiskAt512And4096ByteSectors) {
    TempDir dir;
    const std::string path = dir / "card.img";
    // Not a whole number of cylinders or of 4 KiB sectors; and a FAT boot
    // sector at sector 0 (a card formatted without a partition table), which
    // the whole-disk opening must not act on.
    const uint64_t bytes = 8 * kMiB + 1536;
    {
        media::ImageFile img(path, bytes);
        img.Write(0, media::MakeFat16BootSector(4, 32, 16387));
    }
    std::string why;
    auto small = LoopDevice::Attach(path, 0, why);
    if (!small) GTEST_SKIP() << why;
    EXPECT_EQ(CDiskSource::Classify(small->Path()), MediumKind::WholeDisk);
    {
        CDiskSource src(small->Path());
        ExpectOpened(src, MediumKind::WholeDisk, 512, bytes / 512, 0, 2);
        struct stat st {};
        ASSERT_EQ(::stat(small->Path().c_str(), &st), 0);
        EXPECT_EQ(src.GetDeviceNumber(), st.st_rdev);
    }

    auto large = LoopDevice::Attach(path, 4096, why);
    if (!large) GTEST_SKIP() << why;
    CDiskSource src(large->Path());
    ExpectOpened(src, MediumKind::WholeDisk, 4096, bytes / 4096, 0, 2);
}

TEST(LoopDevice, WholeDiskOfMoreThan32BitsOfSectors) {
    TempDir dir;
    const std::string path = dir / "huge.img";
    constexpr uint64_t kSectors = (uint64_t{1} << 32) + 16;
    try {
        media::ImageFile img(path, kSectors * 512);
    } catch (const std::exception& e) {
        GTEST_SKIP() << "cannot make a sparse 2 TiB file here: " << e.what();
    }
    std::string why;
    auto loop = LoopDevice::Attach(path, 0, why);
    if (!loop) GTEST_SKIP() << why;
    CDiskSource src(loop->Path());
    EXPECT_EQ(src.GetTotalSectors(), kSectors);
    EXPECT_EQ(src.GetStartSector(), 0u);
}

// An MBR card with four partitions of 4 MiB each: FAT16, NTFS, nothing known,
// and a FAT16 boot sector whose data area lies beyond the partition's end.
TEST(LoopDevice, UnmountedPartitionsTakeThePartitionSizeAndTheBootSector) {
    TempDir dir;
    const std::string path = dir / "card.img";
    constexpr uint32_t kPartSectors = 8192;
    const media::MbrPartition parts[] = {
        {2048, kPartSectors, 0x06},
        {2048 + kPartSectors, kPartSectors, 0x07},
        {2048 + 2 * kPartSectors, kPartSectors, 0x0C},
        {2048 + 3 * kPartSectors, kPartSectors, 0x06},
    };
    {
        media::ImageFile img(path, (2048 + 4 * uint64_t{kPartSectors}) * 512);
        img.Write(0, media::MakeMbr(parts));
        img.Write(uint64_t{parts[0].startSector} * 512,
                  media::MakeFat16BootSector(4, 32, kPartSectors));
        img.Write(uint64_t{parts[1].startSector} * 512,
                  media::MakeNtfsBootSector(uint64_t{1} << 33));
        img.Write(uint64_t{parts[3].startSector} * 512,
                  media::MakeFat16BootSector(8000, 96, kPartSectors));
    }
    std::string why;
    auto loop = LoopDevice::Attach(path, 0, why);
    if (!loop) GTEST_SKIP() << why;
    std::string part[5];
    for (int n = 1; n <= 4; ++n) {
        part[n] = loop->AddPartitions(n, why);
        if (part[n].empty()) GTEST_SKIP() << why;
        EXPECT_EQ(CDiskSource::Classify(part[n]), MediumKind::Partition) << part[n];
    }

    // FAT16: nothing mounted, so no free-space figures: 8 sectors per cluster
    // over the partition's size; the data area after 4 reserved sectors and
    // two FATs of 32 sectors.
    {
        CDiskSource fat(part[1]);
        ExpectOpened(fat, MediumKind::Partition, 512, kPartSectors, 4 + 2 * 32, 8);
    }
    {
        CDiskSource ntfs(part[2]);
        ExpectOpened(ntfs, MediumKind::Partition, 512, kPartSectors, 1, 8);
        // Mode 1 takes the count from the NTFS boot sector, all 64 bits of it,
        // plus the backup boot sector that count leaves out.
        CDiskSource fromBoot(part[2], 1);
        EXPECT_EQ(fromBoot.GetTotalSectors(), (uint64_t{1} << 33) + 1);
        EXPECT_EQ(fromBoot.GetStartSector(), 1u);
    }
    // Unknown file system: the boot sector read leaves the offset at sector 1.
    {
        CDiskSource raw(part[3]);
        ExpectOpened(raw, MediumKind::Partition, 512, kPartSectors, 1, 8);
    }
    // 8000 + 2 * 96 sectors lie past the partition: the boot sector is not
    // believed and the partition is scanned like an unknown one.
    {
        CDiskSource damaged(part[4]);
        ExpectOpened(damaged, MediumKind::Partition, 512, kPartSectors, 1, 8);
    }
    // The whole disk under the partitions still starts at sector 0.
    CDiskSource whole(loop->Path());
    ExpectOpened(whole, MediumKind::WholeDisk, 512, 2048 + 4 * kPartSectors, 0, 2);
}

TEST(LoopDevice, PartitionWith4096ByteSectorsKeepsStartSectorZero) {
    TempDir dir;
    const std::string path = dir / "card4k.img";
    // On 4 KiB media the partition table counts 4 KiB sectors.
    constexpr uint32_t kPartStart = 256;
    constexpr uint32_t kPartSectors = 1024;
    const media::MbrPartition part{kPartStart, kPartSectors, 0x06};
    {
        media::ImageFile img(path, (kPartStart + uint64_t{kPartSectors}) * 4096);
        img.Write(0, media::MakeMbr({&part, 1}));
        img.Write(uint64_t{kPartStart} * 4096, media::MakeFat16BootSector(4, 32, kPartSectors));
    }
    std::string why;
    auto loop = LoopDevice::Attach(path, 4096, why);
    if (!loop) GTEST_SKIP() << why;
    const std::string p1 = loop->AddPartitions(1, why);
    if (p1.empty()) GTEST_SKIP() << why;
    // A 512-byte boot sector read cannot be done on 4 KiB sectors: the boot
    // sector is not looked at, and the scan starts at the partition's start.
    CDiskSource src(p1);
    ExpectOpened(src, MediumKind::Partition, 4096, kPartSectors, 0, 8);
}

// A read-only mount of a partition, by the kernel's vfat driver or, where the
// kernel has none, by the fusefat user-space driver. Unmounts when it goes.
class ReadOnlyMount {
public:
    ReadOnlyMount(const std::string& device, const std::string& dir, std::string& why)
        : m_dir(dir) {
        std::string out;
        if (RunCommand("mount -t vfat -o ro '" + device + "' '" + dir + "' 2>&1", &out) == 0) {
            m_mounted = true;
            return;
        }
        why = "mount -t vfat: " + out;
        out.clear();
        if (RunCommand("command -v fusefat >/dev/null 2>&1") != 0) {
            why += "; fusefat is not installed";
            return;
        }
        // blkdev: a fuseblk mount that the mount table lists under the
        // device's own number, as a kernel mount is.
        if (RunCommand("timeout 20 fusefat -o ro,blkdev,fsname='" + device + "' '" + device +
                           "' '" + dir + "' 2>&1",
                       &out) == 0) {
            m_mounted = true;
            return;
        }
        why += "; fusefat: " + out;
    }
    ~ReadOnlyMount() {
        if (m_mounted && RunCommand("umount '" + m_dir + "' >/dev/null 2>&1") != 0)
            RunCommand("umount -l '" + m_dir + "' >/dev/null 2>&1");
    }
    ReadOnlyMount(const ReadOnlyMount&) = delete;
    ReadOnlyMount& operator=(const ReadOnlyMount&) = delete;
    bool Mounted() const { return m_mounted; }

private:
    std::string m_dir;
    bool m_mounted = false;
};

TEST(LoopDevice, MountedFatPartitionTakesTheFreeSpaceFigures) {
    if (RunCommand("command -v mkfs.vfat >/dev/null 2>&1 || test -x /usr/sbin/mkfs.vfat") != 0)
        GTEST_SKIP() << "mkfs.vfat is not installed";
    TempDir dir;
    const std::string path = dir / "card.img";
    constexpr uint32_t kPartStart = 2048;
    constexpr uint32_t kPartSectors = 32768;  // 16 MiB
    const media::MbrPartition part{kPartStart, kPartSectors, 0x06};
    {
        media::ImageFile img(path, (kPartStart + uint64_t{kPartSectors}) * 512);
        img.Write(0, media::MakeMbr({&part, 1}));
    }
    ASSERT_EQ(RunCommand("PATH=$PATH:/usr/sbin:/sbin mkfs.vfat -F 16 -s 8 -i 54564E31 --offset " +
                         std::to_string(kPartStart) + " '" + path + "' " +
                         std::to_string(kPartSectors / 2) + " >/dev/null 2>&1"),
              0);
    // The boot sector's own figures, for the expected start sector.
    const auto image = test::ReadFile(path);
    ASSERT_GE(image.size(), kPartStart * 512u + 512u);
    const uint8_t* boot = image.data() + kPartStart * 512u;
    const DWORD reserved = static_cast<DWORD>(boot[14] | boot[15] << 8);
    const DWORD sectorsPerFat = static_cast<DWORD>(boot[22] | boot[23] << 8);

    std::string why;
    auto loop = LoopDevice::Attach(path, 0, why);
    if (!loop) GTEST_SKIP() << why;
    const std::string p1 = loop->AddPartitions(1, why);
    if (p1.empty()) GTEST_SKIP() << why;
    const std::string mountPoint = dir / "mnt dir";  // a blank, escaped in the mount table
    ASSERT_EQ(::mkdir(mountPoint.c_str(), 0755), 0);
    ReadOnlyMount mount(p1, mountPoint, why);
    if (!mount.Mounted()) GTEST_SKIP() << "cannot mount a FAT partition here: " << why;

    struct statvfs vfs {};
    ASSERT_EQ(::statvfs(mountPoint.c_str(), &vfs), 0);
    const uint64_t fragment = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    CDiskSource src(p1);
    EXPECT_EQ(src.GetStatus(), CDiskSource::kUsable);
    EXPECT_EQ(src.GetSectorsPerCluster(), fragment / 512);
    EXPECT_EQ(src.GetTotalClusters(), vfs.f_blocks);
    // The file system counts its data area only; the scan numbers sectors
    // from the partition's start and so must run to the partition's end, or
    // its last (reserved + FAT) sectors' worth would never be scanned.
    EXPECT_LT(vfs.f_blocks * fragment / 512, kPartSectors);
    EXPECT_EQ(src.GetTotalSectors(), kPartSectors);
    EXPECT_EQ(src.GetStartSector(), reserved + 2 * sectorsPerFat);
    EXPECT_EQ(TellFd(src.GetHandle()), static_cast<int64_t>((reserved + 2 * sectorsPerFat) * 512));
}

TEST(LoopDevice, PartitionsLeftByAnEarlierUserDoNotStandInForOurs) {
    TempDir dir;
    const media::MbrPartition first{2048, 2048, 0x06};
    const media::MbrPartition second{4096, 1024, 0x06};
    {
        media::ImageFile a(dir / "a.img", 8192 * 512);
        a.Write(0, media::MakeMbr({&first, 1}));
        media::ImageFile b(dir / "b.img", 8192 * 512);
        b.Write(0, media::MakeMbr({&second, 1}));
    }
    if (::geteuid() != 0) GTEST_SKIP() << "loop devices need root";
    // An earlier user adds the partitions by hand and detaches the device
    // without removing them: the kernel keeps them.
    std::string device;
    if (RunCommand("losetup -f --show '" + dir / "a.img" + "' 2>/dev/null", &device) != 0)
        GTEST_SKIP() << "losetup cannot attach a loop device here";
    while (!device.empty() && device.back() == '\n') device.pop_back();
    RunCommand("partx -a '" + device + "' >/dev/null 2>&1");
    RunCommand("losetup -d '" + device + "' >/dev/null 2>&1");

    std::string why;
    auto loop = LoopDevice::Attach(dir / "b.img", 0, why);
    if (!loop) GTEST_SKIP() << why;
    // Another process may have taken the device in between; its own
    // AddPartitions clears what was left there.
    if (loop->Path() != device) GTEST_SKIP() << device << " was taken by another process";
    const std::string p1 = loop->AddPartitions(1, why);
    ASSERT_FALSE(p1.empty()) << why;
    CDiskSource src(p1);
    EXPECT_EQ(src.GetTotalSectors(), second.sectors);
    const std::string name = device.substr(device.rfind('/') + 1);
    const auto start = test::ReadFile("/sys/block/" + name + "/" + name + "p1/start");
    EXPECT_EQ(std::string(start.begin(), start.end()), "4096\n");
}

TEST(LoopDevice, DetachesWhatItAttached) {
    TempDir dir;
    const std::string path = dir / "card.img";
    const media::MbrPartition part{2048, 2048, 0x06};
    {
        media::ImageFile img(path, 4096 * 512);
        img.Write(0, media::MakeMbr({&part, 1}));
    }
    std::string why, device, p1;
    {
        auto loop = LoopDevice::Attach(path, 0, why);
        if (!loop) GTEST_SKIP() << why;
        device = loop->Path();
        p1 = loop->AddPartitions(1, why);
        EXPECT_FALSE(p1.empty()) << why;
    }
    std::string list;
    RunCommand("losetup -j '" + path + "' 2>/dev/null", &list);
    EXPECT_EQ(list, "") << device << " is still attached";
}

}  // namespace
}  // namespace tvn
