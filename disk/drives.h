// Drive discovery: the disks a user can recover from, each described by a
// drive record with the texts the main window shows; and the places found
// files may be saved to. Linux: udev (sysfs where the udev database is empty)
// for the disks, /proc/self/mountinfo for the destinations.
//
// Nothing here touches a GUI and nothing waits without limit: the wizard runs
// discovery on a worker and the hot-plug monitor on a thread of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tvn {

// One partition of a disk, listed below it.
struct CPartitionRecord {
    std::string m_strPath;   // device path, /dev/sdb1: what the disk source opens
    std::string m_strLabel;  // file-system label, may be empty
    std::string m_strFsType; // "vfat", "exfat", "ntfs", ... may be empty
    std::string m_strSize;   // size text, as for disks
    uint64_t m_ullSizeBytes = 0;

    // The item text the drive list shows for the partition.
    std::string ItemText() const;
};

// One disk. The ten text fields and their order are the main window's; the
// fields after them are what Linux adds.
struct CLogicalDrives {
    std::string m_strDrive;           // the full device path: /dev/sdb, /dev/mmcblk0, /dev/loop3
    std::string m_strSerial;          // in clear, or " N\A"
    std::string m_strModel;
    std::string m_strMediaType;       // "Removable Media", "External hard disk media", "Fixed hard disk media"
    std::string m_strSize;            // "%3.3f KB" / "MB" / "GB"
    std::string m_strFirmware;
    std::string m_strInterfaceType;   // USB, IDE, SCSI, NVMe, SD/MMC, virtio
    std::string m_strTotalCylinders;
    std::string m_strTotalHeads;
    std::string m_strTotalSectors;    // size / logical sector size

    uint64_t m_ullSizeBytes = 0;
    uint32_t m_dwLogicalSectorSize = 512;
    std::string m_strBackingFile;     // a loop device's image, else empty
    std::vector<CPartitionRecord> m_partitions;

    // media type + " #" + identifier: "Removable Media #/dev/sdb".
    std::string ItemText() const;
    // The information panel's text, seven labelled lines each ending "\n\n"
    // (a loop device adds its backing file).
    std::string DetailsText() const;
};

// "%3.3f KB" below 1 MiB, "%3.3f MB" below 1 GiB, else "%3.3f GB".
std::string FormatDriveSize(uint64_t bytes);
// A media type text with its first tab replaced by a blank.
std::string MediaTypeText(std::string text);

// Where discovery looks: "/" in use; tests point it at a fake tree holding
// sys/block/..., sys/class/block/..., run/udev/data/... .
struct DiscoveryRoots {
    std::string root = "/";
    bool useUdev = true;  // false: sysfs attributes only
};

// Every disk with a size, in the system's order. error is a clear text when
// discovery itself failed (the list is then empty).
struct DiscoveryResult {
    std::vector<CLogicalDrives> drives;
    std::string error;
};
DiscoveryResult FindPhysicalDrives(const DiscoveryRoots& roots = {});

// Tells a listener that disks came or went. The callback runs on the
// monitor's own thread; Stop joins it (also from the destructor).
class CHotplugMonitor {
public:
    CHotplugMonitor();
    ~CHotplugMonitor();
    CHotplugMonitor(const CHotplugMonitor&) = delete;
    CHotplugMonitor& operator=(const CHotplugMonitor&) = delete;
    bool Start(std::function<void()> changed);
    void Stop();

private:
    struct Impl;
    Impl* m_impl;
};

// Whether raw reads of disks are possible for this user, and how.
enum class RawAccess { Root, Permission, UDisks2, None };
struct RawAccessCheck {
    RawAccess how = RawAccess::None;
    std::string advice;  // for None: how to get access, in plain words
};
RawAccessCheck IsDriverInstalled();

// One place found files may be saved to.
// The label of the user's home folder among the destinations.
inline constexpr const char* kHomeFolderLabel = "Home folder";

struct CDestination {
    std::string m_strText;   // "%s [%s]": mount point and volume label
    std::string m_strPath;   // the directory written into (the mount point, or home)
    std::string m_strLabel;
    bool m_bOnSource = false;  // lies on the medium being recovered
    std::string m_strWhy;      // why it lies on it
};
// Mounted, writable file systems (no pseudo, read-only or optical ones) and the
// user's home folder. sourcePath, when given, marks those on that medium.
std::vector<CDestination> ListDestinations(const std::string& sourcePath = {},
                                           const DiscoveryRoots& roots = {});

}  // namespace tvn
