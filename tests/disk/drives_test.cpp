// Drive discovery: the texts of the drive records, discovery over a made-up
// sysfs tree with its udev database, and over real loop devices.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "disk/disk_source.h"
#include "disk/drives.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

namespace fs = std::filesystem;
using test::LoopDevice;
using test::TempDir;

TEST(DriveTexts, SizeTextSwitchesUnitAtTheBinaryThresholds) {
    EXPECT_EQ(FormatDriveSize(1048575), "1023.999 KB");
    EXPECT_EQ(FormatDriveSize(1048576), "1.000 MB");
    EXPECT_EQ(FormatDriveSize(4004511744ULL), "3.729 GB");
    EXPECT_EQ(FormatDriveSize(512), "0.500 KB");
    // Just below 1 GiB rounds up within the MB unit, as the format does.
    EXPECT_EQ(FormatDriveSize(1073741823ULL), "1024.000 MB");
    EXPECT_EQ(FormatDriveSize(1073741824ULL), "1.000 GB");
    EXPECT_EQ(FormatDriveSize(2000398934016ULL), "1863.017 GB");
}

TEST(DriveTexts, OnlyTheFirstTabOfAMediaTypeBecomesABlank) {
    EXPECT_EQ(MediaTypeText("Removable\tMedia\tX"), "Removable Media\tX");
    EXPECT_EQ(MediaTypeText("Fixed hard disk media"), "Fixed hard disk media");
    EXPECT_EQ(MediaTypeText(""), "");
}

TEST(DriveTexts, ItemAndDetailsTextsCarryTheFullIdentifier) {
    CLogicalDrives d;
    d.m_strDrive = "/dev/sdb";
    d.m_strMediaType = "Removable Media";
    d.m_strModel = "Card Reader";
    d.m_strSerial = " N\\A";
    d.m_strInterfaceType = "USB";
    d.m_strSize = "3.729 GB";
    d.m_strTotalSectors = "7821312";
    EXPECT_EQ(d.ItemText(), "Removable Media #/dev/sdb");
    EXPECT_EQ(d.DetailsText(),
              "Name                  :  Removable Media #/dev/sdb\n\n"
              "Model Name        :  Card Reader\n\n"
              "Serial Number     :  N\\A\n\n"
              "Interface Type   :  USB\n\n"
              "Media Type         :  Removable Media\n\n"
              "Size                     :  3.729 GB\n\n"
              "Total Sectors      :  7821312\n\n");
    d.m_strBackingFile = "/home/ann/card.img";
    EXPECT_NE(d.DetailsText().find("Backing File        :  /home/ann/card.img\n\n"), std::string::npos);

    CPartitionRecord p;
    p.m_strPath = "/dev/sdb1";
    p.m_strLabel = "CARD";
    p.m_strFsType = "vfat";
    p.m_strSize = "3.728 GB";
    EXPECT_EQ(p.ItemText(), "Partition #/dev/sdb1 [CARD] vfat, 3.728 GB");
    p.m_strLabel.clear();
    p.m_strFsType.clear();
    EXPECT_EQ(p.ItemText(), "Partition #/dev/sdb1, 3.728 GB");
}

// A made-up system: sys/devices/... with the disks' attributes, sys/block/
// links to them, and the udev database under run/udev/data.
class FakeSystem {
public:
    explicit FakeSystem(const std::string& root) : m_root(root) {}

    // A disk under the given device path; size in 512-byte units.
    std::string Disk(const std::string& name, const std::string& devicePath, uint64_t size512,
                     const std::string& devno, int removable = 0, uint32_t logical = 512) {
        const std::string dir = m_root + "/sys/devices/" + devicePath + "/block/" + name;
        fs::create_directories(dir + "/queue");
        Put(dir + "/size", std::to_string(size512));
        Put(dir + "/removable", std::to_string(removable));
        Put(dir + "/queue/logical_block_size", std::to_string(logical));
        Put(dir + "/dev", devno);
        Put(dir + "/uevent", "MAJOR=8\nDEVNAME=" + name + "\nDEVTYPE=disk\n");
        fs::create_directories(m_root + "/sys/block");
        fs::create_symlink(dir, m_root + "/sys/block/" + name);
        return dir;
    }
    std::string Partition(const std::string& diskDir, const std::string& name, int number,
                          uint64_t size512, const std::string& devno) {
        const std::string dir = diskDir + "/" + name;
        fs::create_directories(dir);
        Put(dir + "/partition", std::to_string(number));
        Put(dir + "/size", std::to_string(size512));
        Put(dir + "/dev", devno);
        Put(dir + "/uevent", "DEVNAME=" + name + "\nDEVTYPE=partition\n");
        return dir;
    }
    void Udev(const std::string& devno, const std::string& lines) {
        fs::create_directories(m_root + "/run/udev/data");
        Put(m_root + "/run/udev/data/b" + devno, lines);
    }
    static void Put(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << text << "\n";
    }

private:
    std::string m_root;
};

const CLogicalDrives* Find(const DiscoveryResult& r, const std::string& id) {
    for (const auto& d : r.drives)
        if (d.m_strDrive == id) return &d;
    return nullptr;
}

class FakeTreeDiscovery : public ::testing::Test {
protected:
    void SetUp() override {
        FakeSystem sys(dir.Path());
        const std::string usb = "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0";
        // A card reader with a 3.729 GB card: udev knows everything.
        const std::string sdb = sys.Disk("sdb", usb, 4004511744ULL / 512, "8:16", 1);
        sys.Udev("8:16", "S:disk/by-id/usb-Generic\nE:ID_BUS=usb\nE:ID_MODEL=Card_Reader\n"
                         "E:ID_MODEL_ENC=Card\\x20Reader\\x20\\x20\nE:ID_SERIAL_SHORT=000000000272\n"
                         "E:ID_REVISION=1.00\n");
        sys.Partition(sdb, "sdb2", 2, 2048, "8:18");
        sys.Partition(sdb, "sdb1", 1, 4004511744ULL / 512 - 4096, "8:17");
        sys.Udev("8:17", "E:ID_FS_LABEL=CARD\nE:ID_FS_TYPE=vfat\n");
        // The same reader's second slot, empty.
        sys.Disk("sdc", "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:1", 0, "8:32", 1);
        // A fixed USB disk with 4 KiB sectors, no udev data at all.
        const std::string sdd = sys.Disk("sdd", "pci0000:00/0000:00:14.0/usb2/2-1/host7/target7:0:0/7:0:0:0",
                                         2000398934016ULL / 512, "8:48", 0, 4096);
        FakeSystem::Put(sdd + "/device/model", "Expansion Desk  ");
        FakeSystem::Put(sdd + "/device/rev", "0712");
        // The system disk on SATA.
        const std::string sda =
            sys.Disk("sda", "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", 500118192, "8:0");
        FakeSystem::Put(sda + "/device/model", "Samsung SSD 860");
        // Loop devices: two with an image, one idle.
        sys.Disk("loop1", "virtual", 2048, "7:1");
        FakeSystem::Put(dir / "sys/devices/virtual/block/loop1/loop/backing_file", "/home/ann/one.img");
        sys.Disk("loop10", "virtual", 4096, "7:10");
        FakeSystem::Put(dir / "sys/devices/virtual/block/loop10/loop/backing_file", "/home/ann/ten.img");
        sys.Disk("loop2", "virtual", 0, "7:2");
        sys.Disk("loop3", "virtual", 2048, "7:3");  // a size but no image: stale
        // Memory, optical and mapper devices that are no disks to recover.
        sys.Disk("ram0", "virtual", 8192, "1:0");
        sys.Disk("zram0", "virtual", 8192, "252:0");
        sys.Disk("dm-0", "virtual", 8192, "253:0");
        const std::string sr0 =
            sys.Disk("sr0", "pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0", 8192, "11:0", 1);
        FakeSystem::Put(sr0 + "/device/type", "5");
        // An SD card in a built-in slot, an NVMe disk, a virtio disk.
        const std::string mmc = sys.Disk("mmcblk0", "platform/mmc0/mmc0:aaaa", 31116288, "179:0");
        FakeSystem::Put(mmc + "/device/name", "SD32G");
        FakeSystem::Put(mmc + "/device/serial", "0x1234abcd");
        FakeSystem::Put(mmc + "/device/fwrev", "0x8");
        const std::string nvme = sys.Disk("nvme0n1", "pci0000:00/0000:00:1d.0/nvme/nvme0", 1000215216, "259:0");
        FakeSystem::Put(nvme + "/device/serial", "S4EWNX0N");
        FakeSystem::Put(nvme + "/device/firmware_rev", "2B2QEXM7");
        sys.Disk("vda", "pci0000:00/0000:00:04.0/virtio1", 2097152, "254:0");
    }
    TempDir dir;
};

TEST_F(FakeTreeDiscovery, ListsEveryDiskWithASizeAndLeavesOutTheRest) {
    const DiscoveryResult r = FindPhysicalDrives({dir.Path(), true});
    EXPECT_TRUE(r.error.empty());
    std::vector<std::string> ids;
    for (const auto& d : r.drives) ids.push_back(d.m_strDrive);
    // In the system's order (sorted names); the empty slot, the idle and
    // stale loop devices, memory, mapper and optical devices are left out.
    EXPECT_EQ(ids, (std::vector<std::string>{"/dev/loop1", "/dev/loop10", "/dev/mmcblk0", "/dev/nvme0n1",
                                             "/dev/sda", "/dev/sdb", "/dev/sdd", "/dev/vda"}));
}

TEST_F(FakeTreeDiscovery, CardReaderRecordFromTheUdevDatabase) {
    const DiscoveryResult r = FindPhysicalDrives({dir.Path(), true});
    const CLogicalDrives* d = Find(r, "/dev/sdb");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->m_strMediaType, "Removable Media");
    EXPECT_EQ(d->ItemText(), "Removable Media #/dev/sdb");
    EXPECT_EQ(d->m_strModel, "Card Reader");
    EXPECT_EQ(d->m_strSerial, "000000000272");  // in clear, not decoded
    EXPECT_EQ(d->m_strFirmware, "1.00");
    EXPECT_EQ(d->m_strInterfaceType, "USB");
    EXPECT_EQ(d->m_strSize, "3.729 GB");
    EXPECT_EQ(d->m_strTotalSectors, std::to_string(4004511744ULL / 512));
    EXPECT_EQ(d->m_strTotalHeads, "255");
    EXPECT_EQ(d->m_strTotalCylinders, std::to_string(4004511744ULL / 512 / (255 * 63)));
    ASSERT_EQ(d->m_partitions.size(), 2u);
    EXPECT_EQ(d->m_partitions[0].m_strPath, "/dev/sdb1");  // by number, not by directory order
    EXPECT_EQ(d->m_partitions[0].m_strLabel, "CARD");
    EXPECT_EQ(d->m_partitions[0].m_strFsType, "vfat");
    EXPECT_EQ(d->m_partitions[0].m_ullSizeBytes, 4004511744ULL - 4096 * 512);
    EXPECT_EQ(d->m_partitions[1].m_strPath, "/dev/sdb2");
    EXPECT_EQ(d->m_partitions[1].m_strSize, "1.000 MB");

    // Without the udev database the sysfs facts remain.
    const DiscoveryResult bare = FindPhysicalDrives({dir.Path(), false});
    const CLogicalDrives* b = Find(bare, "/dev/sdb");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->m_strSerial, " N\\A");
    EXPECT_EQ(b->m_strInterfaceType, "USB");  // told by the device path
    EXPECT_EQ(b->m_strMediaType, "Removable Media");
    EXPECT_TRUE(b->m_partitions[0].m_strLabel.empty());
}

TEST_F(FakeTreeDiscovery, MediaTypeInterfaceAndSectorsOfTheOtherDisks) {
    const DiscoveryResult r = FindPhysicalDrives({dir.Path(), true});
    struct Want {
        const char* id;
        const char* media;
        const char* iface;
        const char* model;
        const char* serial;
        const char* firmware;
    };
    const Want wants[] = {
        {"/dev/sdd", "External hard disk media", "USB", "Expansion Desk", " N\\A", "0712"},
        {"/dev/sda", "Fixed hard disk media", "IDE", "Samsung SSD 860", " N\\A", ""},
        {"/dev/mmcblk0", "Removable Media", "SD/MMC", "SD32G", "0x1234abcd", "0x8"},
        {"/dev/nvme0n1", "Fixed hard disk media", "NVMe", "", "S4EWNX0N", "2B2QEXM7"},
        {"/dev/vda", "Fixed hard disk media", "virtio", "", " N\\A", ""},
    };
    for (const Want& w : wants) {
        SCOPED_TRACE(w.id);
        const CLogicalDrives* d = Find(r, w.id);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->m_strMediaType, w.media);
        EXPECT_EQ(d->m_strInterfaceType, w.iface);
        EXPECT_EQ(d->m_strModel, w.model);
        EXPECT_EQ(d->m_strSerial, w.serial);
        EXPECT_EQ(d->m_strFirmware, w.firmware);
    }
    // 4 KiB sectors: the count is of those, as the disk source counts.
    const CLogicalDrives* big = Find(r, "/dev/sdd");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->m_dwLogicalSectorSize, 4096u);
    EXPECT_EQ(big->m_strTotalSectors, std::to_string(2000398934016ULL / 4096));
    EXPECT_EQ(big->m_strSize, "1863.017 GB");
}

TEST_F(FakeTreeDiscovery, DiskTenAndDiskOneAreTwoDisks) {
    const DiscoveryResult r = FindPhysicalDrives({dir.Path(), true});
    const CLogicalDrives* one = Find(r, "/dev/loop1");
    const CLogicalDrives* ten = Find(r, "/dev/loop10");
    ASSERT_NE(one, nullptr);
    ASSERT_NE(ten, nullptr);
    EXPECT_NE(one->ItemText(), ten->ItemText());
    EXPECT_EQ(ten->ItemText(), "Fixed hard disk media #/dev/loop10");
    EXPECT_EQ(one->m_strBackingFile, "/home/ann/one.img");
    EXPECT_EQ(ten->m_strBackingFile, "/home/ann/ten.img");
    EXPECT_EQ(ten->m_strSize, "2.000 MB");
}

TEST(FakeTreeDiscoveryEmpty, NoTreeGivesAnEmptyListAndNoError) {
    TempDir dir;
    const DiscoveryResult r = FindPhysicalDrives({dir.Path(), true});
    EXPECT_TRUE(r.drives.empty());
    EXPECT_TRUE(r.error.empty());
}

// --- real loop devices --------------------------------------------------------

const CLogicalDrives* FindBacking(const DiscoveryResult& r, const std::string& image) {
    for (const auto& d : r.drives)
        if (d.m_strBackingFile == image) return &d;
    return nullptr;
}

TEST(DriveDiscoveryLoop, ImageAttachedAt512And4096ByteSectorsIsListedWithItsPartition) {
    TempDir dir;
    const media::MbrPartition part{2048, 8192, 0x0c};
    for (const uint32_t sector : {512u, 4096u}) {
        SCOPED_TRACE(sector);
        const std::string image = dir / ("card" + std::to_string(sector) + ".img");
        {
            media::ImageFile img(image, 16ULL << 20);
            if (sector == 512) img.Write(0, media::MakeMbr({&part, 1}));
        }
        std::string why;
        auto loop = LoopDevice::Attach(image, sector == 512 ? 0 : sector, why);
        if (!loop) GTEST_SKIP() << why;
        std::string p1;
        if (sector == 512) {
            p1 = loop->AddPartitions(1, why);
            if (p1.empty()) GTEST_SKIP() << why;
        }
        for (const bool udev : {true, false}) {
            const DiscoveryResult r = FindPhysicalDrives({"/", udev});
            ASSERT_TRUE(r.error.empty()) << r.error;
            const CLogicalDrives* d = FindBacking(r, image);
            ASSERT_NE(d, nullptr) << "the loop device over " << image << " is not listed";
            EXPECT_EQ(d->m_strDrive, loop->Path());
            EXPECT_NE(d->DetailsText().find("Backing File        :  " + image), std::string::npos);
            EXPECT_EQ(d->m_ullSizeBytes, 16ULL << 20);
            EXPECT_EQ(d->m_strSize, "16.000 MB");
            EXPECT_EQ(d->m_dwLogicalSectorSize, sector);
            // The disk source counts the same sectors (the scan info compares them).
            CDiskSource src(d->m_strDrive);
            ASSERT_EQ(src.GetStatus(), CDiskSource::kUsable);
            EXPECT_EQ(d->m_strTotalSectors, std::to_string(src.GetTotalSectors()));
            if (sector == 512) {
                ASSERT_EQ(d->m_partitions.size(), 1u);
                EXPECT_EQ(d->m_partitions[0].m_strPath, p1);
                EXPECT_EQ(d->m_partitions[0].m_ullSizeBytes, 8192u * 512);
            } else {
                EXPECT_TRUE(d->m_partitions.empty());
            }
        }
    }
}

TEST(DriveDiscoveryLoop, EveryListedIdentifierOpensThatVeryDevice) {
    // Two images side by side: whatever their numbers (loop1 and loop10 on a
    // busy machine), each record opens its own device.
    TempDir dir;
    std::vector<LoopDevice> loops;
    loops.reserve(2);
    for (int i = 0; i < 2; ++i) {
        const std::string image = dir / ("d" + std::to_string(i) + ".img");
        { media::ImageFile img(image, static_cast<uint64_t>(i + 1) << 20); }
        std::string why;
        auto loop = LoopDevice::Attach(image, 0, why);
        if (!loop) GTEST_SKIP() << why;
        loops.push_back(std::move(*loop));
    }
    const DiscoveryResult r = FindPhysicalDrives();
    int seen = 0;
    for (const CLogicalDrives& d : r.drives) {
        if (d.m_strBackingFile.rfind(dir.Path(), 0) != 0) continue;
        ++seen;
        struct stat st {};
        ASSERT_EQ(::stat(d.m_strDrive.c_str(), &st), 0);
        CDiskSource src(d.m_strDrive);
        ASSERT_EQ(src.GetStatus(), CDiskSource::kUsable);
        EXPECT_EQ(src.GetDeviceNumber(), st.st_rdev);
        EXPECT_EQ(uint64_t{src.GetTotalSectors()} * 512, d.m_ullSizeBytes);
    }
    EXPECT_EQ(seen, 2);
}

}  // namespace
}  // namespace tvn
