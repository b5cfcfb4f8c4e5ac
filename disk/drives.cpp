#include "disk/drives.h"

#include <fmt/format.h>
#include <blkid/blkid.h>
#include <libudev.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace tvn {

namespace fs = std::filesystem;

namespace {

using Properties = std::map<std::string, std::string>;

// One block device as discovery sees it, before it becomes a record.
struct BlockEntry {
    std::string name;     // kernel name: sdb, mmcblk0, loop3, sdb1
    std::string syspath;  // its sysfs directory, attributes are read from there
    Properties props;     // the udev database's properties (may be empty)
};

std::string Trim(std::string s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && blank(s.back())) s.pop_back();
    size_t i = 0;
    while (i < s.size() && blank(s[i])) ++i;
    return s.substr(i);
}

std::string ReadAttr(const std::string& dir, const std::string& name) {
    std::ifstream in(dir + "/" + name);
    std::string line;
    std::getline(in, line);
    return Trim(line);
}

uint64_t ReadNumber(const std::string& dir, const std::string& name) {
    const std::string text = ReadAttr(dir, name);
    unsigned long long v = 0;
    return std::sscanf(text.c_str(), "%llu", &v) == 1 ? v : 0;
}

std::string Prop(const Properties& p, const char* key) {
    const auto it = p.find(key);
    return it == p.end() ? std::string() : it->second;
}

// udev writes blanks and other characters of model texts as \xNN in the
// _ENC properties.
std::string DecodeUdevText(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned v = 0;
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' &&
            std::sscanf(s.substr(i + 2, 2).c_str(), "%2x", &v) == 1) {
            out += static_cast<char>(v);
            i += 3;
        } else {
            out += s[i];
        }
    }
    return Trim(out);
}

// The properties of a udev database file: its "E:KEY=value" lines.
Properties ReadUdevDatabase(const std::string& file) {
    Properties props;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("E:", 0) != 0) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        props[line.substr(2, eq - 2)] = line.substr(eq + 1);
    }
    return props;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Disks no user recovers from: memory, compressed swap, device-mapper views
// of disks that are listed themselves, optical drives.
bool LeftOut(const BlockEntry& e) {
    const std::string& n = e.name;
    if (StartsWith(n, "ram") || StartsWith(n, "zram") || StartsWith(n, "dm-") ||
        StartsWith(n, "sr") || StartsWith(n, "fd"))
        return true;
    if (Prop(e.props, "ID_CDROM") == "1") return true;
    if (ReadAttr(e.syspath, "device/type") == "5") return true;  // SCSI CD/DVD drive
    // A loop device without an image behind it holds nothing.
    if (StartsWith(n, "loop") && ReadAttr(e.syspath, "loop/backing_file").empty()) return true;
    return false;
}

// The resolved sysfs path tells through which bus a disk is attached.
std::string DevicePath(const std::string& syspath) {
    std::error_code ec;
    const fs::path p = fs::canonical(syspath, ec);
    return ec ? syspath : p.string();
}

std::string InterfaceType(const BlockEntry& e, const std::string& devpath) {
    const std::string bus = Prop(e.props, "ID_BUS");
    const std::string& n = e.name;
    if (StartsWith(n, "mmcblk")) return "SD/MMC";
    if (StartsWith(n, "nvme") || bus == "nvme") return "NVMe";
    if (StartsWith(n, "vd")) return "virtio";
    if (StartsWith(n, "loop")) return "Loop";
    if (bus == "usb" || devpath.find("/usb") != std::string::npos) return "USB";
    if (bus == "ata" || devpath.find("/ata") != std::string::npos) return "IDE";
    if (bus == "scsi" || StartsWith(n, "sd")) return "SCSI";
    if (StartsWith(n, "xvd")) return "Xen";
    if (StartsWith(n, "nbd")) return "Network";
    return bus.empty() ? "Other" : bus;
}

std::string FirstOf(std::initializer_list<std::string> texts) {
    for (const std::string& t : texts)
        if (!t.empty()) return t;
    return {};
}

// The label and file-system type read from the partition itself, for a
// system whose udev has not recorded them (no udev daemon); needs read
// permission on the partition, so an ordinary user gets nothing here.
void ProbeFileSystem(CPartitionRecord& p) {
    blkid_probe pr = blkid_new_probe_from_filename(p.m_strPath.c_str());
    if (pr == nullptr) return;
    blkid_probe_enable_superblocks(pr, 1);
    blkid_probe_set_superblocks_flags(pr, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE);
    if (blkid_do_safeprobe(pr) == 0) {
        const char* value = nullptr;
        if (blkid_probe_lookup_value(pr, "LABEL", &value, nullptr) == 0 && value) p.m_strLabel = value;
        if (blkid_probe_lookup_value(pr, "TYPE", &value, nullptr) == 0 && value) p.m_strFsType = value;
    }
    blkid_free_probe(pr);
}

CPartitionRecord MakePartition(const BlockEntry& e, bool live) {
    CPartitionRecord p;
    const std::string devname = Prop(e.props, "DEVNAME");
    p.m_strPath = devname.empty() ? "/dev/" + e.name : devname;
    p.m_strLabel = FirstOf({DecodeUdevText(Prop(e.props, "ID_FS_LABEL_ENC")),
                            Prop(e.props, "ID_FS_LABEL")});
    p.m_strFsType = Prop(e.props, "ID_FS_TYPE");
    p.m_ullSizeBytes = ReadNumber(e.syspath, "size") * 512;
    p.m_strSize = FormatDriveSize(p.m_ullSizeBytes);
    if (live && p.m_strFsType.empty()) ProbeFileSystem(p);
    return p;
}

// Builds the record of a disk; false for a disk that is left out.
bool MakeRecord(const BlockEntry& e, const std::vector<BlockEntry>& parts, bool live, CLogicalDrives& r) {
    if (LeftOut(e)) return false;
    // sysfs counts every disk's size in 512-byte units, whatever its sectors.
    r.m_ullSizeBytes = ReadNumber(e.syspath, "size") * 512;
    if (r.m_ullSizeBytes == 0) return false;  // a card reader without a card
    const uint64_t logical = ReadNumber(e.syspath, "queue/logical_block_size");
    r.m_dwLogicalSectorSize = logical >= 512 && logical <= 65536 ? static_cast<uint32_t>(logical) : 512;

    const std::string devname = Prop(e.props, "DEVNAME");
    r.m_strDrive = devname.empty() ? "/dev/" + e.name : devname;
    const std::string devpath = DevicePath(e.syspath);
    r.m_strInterfaceType = InterfaceType(e, devpath);

    const bool removable = ReadAttr(e.syspath, "removable") == "1" || StartsWith(e.name, "mmcblk");
    if (removable)
        r.m_strMediaType = "Removable Media";
    else if (r.m_strInterfaceType == "USB")
        r.m_strMediaType = "External hard disk media";
    else
        r.m_strMediaType = "Fixed hard disk media";
    r.m_strMediaType = MediaTypeText(r.m_strMediaType);

    r.m_strModel = FirstOf({DecodeUdevText(Prop(e.props, "ID_MODEL_ENC")), Prop(e.props, "ID_MODEL"),
                            ReadAttr(e.syspath, "device/model"), ReadAttr(e.syspath, "device/name")});
    r.m_strSerial = FirstOf({Prop(e.props, "ID_SERIAL_SHORT"), ReadAttr(e.syspath, "device/serial"),
                             ReadAttr(e.syspath, "serial"), " N\\A"});
    r.m_strFirmware = FirstOf({Prop(e.props, "ID_REVISION"), ReadAttr(e.syspath, "device/rev"),
                               ReadAttr(e.syspath, "device/firmware_rev"),
                               ReadAttr(e.syspath, "device/fwrev")});
    r.m_strSize = FormatDriveSize(r.m_ullSizeBytes);

    // The geometry the management service reports: 255 heads, 63 sectors per
    // track, as many cylinders as whole ones fit.
    const uint64_t sectors = r.m_ullSizeBytes / r.m_dwLogicalSectorSize;
    r.m_strTotalSectors = std::to_string(sectors);
    r.m_strTotalHeads = "255";
    r.m_strTotalCylinders = std::to_string(sectors / (255 * 63));

    if (StartsWith(e.name, "loop")) r.m_strBackingFile = ReadAttr(e.syspath, "loop/backing_file");
    for (const BlockEntry& p : parts) r.m_partitions.push_back(MakePartition(p, live));
    return true;
}

// Partitions sort by their number: sdb2 before sdb10.
bool PartitionOrder(const BlockEntry& a, const BlockEntry& b) {
    const uint64_t na = ReadNumber(a.syspath, "partition");
    const uint64_t nb = ReadNumber(b.syspath, "partition");
    return na != nb ? na < nb : a.name < b.name;
}

// Reads the disks of a sysfs tree (with its udev database where present):
// root/sys/block/<disk>, partitions as its subdirectories with a "partition"
// attribute, properties in root/run/udev/data/b<major>:<minor>.
std::vector<std::pair<BlockEntry, std::vector<BlockEntry>>> ReadTree(const DiscoveryRoots& roots) {
    std::vector<std::pair<BlockEntry, std::vector<BlockEntry>>> disks;
    const fs::path root(roots.root);
    const fs::path blockDir = root / "sys/block";
    const auto properties = [&](const std::string& dir, const std::string& name) {
        Properties props;
        if (roots.useUdev) props = ReadUdevDatabase((root / "run/udev/data" / ("b" + ReadAttr(dir, "dev"))).string());
        // The kernel's own name of the node, as udev would report it.
        if (props.find("DEVNAME") == props.end()) {
            std::ifstream in(dir + "/uevent");
            std::string line;
            while (std::getline(in, line))
                if (StartsWith(line, "DEVNAME=")) props["DEVNAME"] = "/dev/" + line.substr(8);
        }
        if (props.find("DEVNAME") == props.end()) props["DEVNAME"] = "/dev/" + name;
        return props;
    };
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& d : fs::directory_iterator(blockDir, ec)) names.push_back(d.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        BlockEntry disk{name, (blockDir / name).string(), {}};
        disk.props = properties(disk.syspath, name);
        std::vector<BlockEntry> parts;
        std::error_code ec2;
        for (const auto& sub : fs::directory_iterator(disk.syspath, ec2)) {
            const std::string dir = sub.path().string();
            if (!fs::exists(dir + "/partition")) continue;
            const std::string pname = sub.path().filename().string();
            parts.push_back({pname, dir, properties(dir, pname)});
        }
        std::sort(parts.begin(), parts.end(), PartitionOrder);
        disks.emplace_back(std::move(disk), std::move(parts));
    }
    return disks;
}

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

Properties DeviceProperties(udev_device* dev) {
    Properties props;
    for (udev_list_entry* p = udev_device_get_properties_list_entry(dev); p;
         p = udev_list_entry_get_next(p)) {
        const char* value = udev_list_entry_get_value(p);
        props[udev_list_entry_get_name(p)] = value ? value : "";
    }
    return props;
}

// The disks as udev knows them, in its order (by sysfs path). udev reads the
// kernel's attributes itself where its database has nothing (a container,
// early boot), so the list is the same; only the descriptive properties are
// then missing and come from sysfs.
bool ReadUdev(std::vector<std::pair<BlockEntry, std::vector<BlockEntry>>>& disks, std::string& error) {
    std::unique_ptr<udev, UdevDeleter> u(udev_new());
    if (!u) {
        error = "Could not connect to udev.";
        return false;
    }
    std::unique_ptr<udev_enumerate, UdevDeleter> en(udev_enumerate_new(u.get()));
    if (!en || udev_enumerate_add_match_subsystem(en.get(), "block") < 0 ||
        udev_enumerate_scan_devices(en.get()) < 0) {
        error = "Could not list the block devices.";
        return false;
    }
    std::map<std::string, size_t> bySyspath;
    std::vector<std::pair<std::string, BlockEntry>> partitions;  // parent syspath, entry
    for (udev_list_entry* it = udev_enumerate_get_list_entry(en.get()); it;
         it = udev_list_entry_get_next(it)) {
        std::unique_ptr<udev_device, UdevDeleter> dev(
            udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(it)));
        if (!dev) continue;
        const char* type = udev_device_get_devtype(dev.get());
        const char* sysname = udev_device_get_sysname(dev.get());
        const char* syspath = udev_device_get_syspath(dev.get());
        if (!type || !sysname || !syspath) continue;
        BlockEntry e{sysname, syspath, DeviceProperties(dev.get())};
        if (const char* node = udev_device_get_devnode(dev.get())) e.props["DEVNAME"] = node;
        if (std::string(type) == "disk") {
            bySyspath[syspath] = disks.size();
            disks.emplace_back(std::move(e), std::vector<BlockEntry>{});
        } else if (std::string(type) == "partition") {
            udev_device* parent = udev_device_get_parent(dev.get());  // owned by dev
            const char* pp = parent ? udev_device_get_syspath(parent) : nullptr;
            if (pp) partitions.emplace_back(pp, std::move(e));
        }
    }
    for (auto& [parent, e] : partitions) {
        const auto it = bySyspath.find(parent);
        if (it != bySyspath.end()) disks[it->second].second.push_back(std::move(e));
    }
    for (auto& d : disks) std::sort(d.second.begin(), d.second.end(), PartitionOrder);
    return true;
}

}  // namespace

std::string CPartitionRecord::ItemText() const {
    std::string text = "Partition #" + m_strPath;
    if (!m_strLabel.empty()) text += " [" + m_strLabel + "]";
    if (!m_strFsType.empty()) text += " " + m_strFsType;
    return text + ", " + m_strSize;
}

std::string CLogicalDrives::ItemText() const { return m_strMediaType + " #" + m_strDrive; }

std::string CLogicalDrives::DetailsText() const {
    std::string text;
    text += "Name                  :  " + ItemText() + "\n\n";
    text += "Model Name        :  " + m_strModel + "\n\n";
    text += "Serial Number     : " + m_strSerial + "\n\n";
    text += "Interface Type   :  " + m_strInterfaceType + "\n\n";
    text += "Media Type         :  " + m_strMediaType + "\n\n";
    text += "Size                     :  " + m_strSize + "\n\n";
    text += "Total Sectors      :  " + m_strTotalSectors + "\n\n";
    if (!m_strBackingFile.empty()) text += "Backing File        :  " + m_strBackingFile + "\n\n";
    return text;
}

std::string FormatDriveSize(uint64_t bytes) {
    const double s = static_cast<double>(bytes);
    if (bytes < 1048576ULL) return fmt::format("{:3.3f} KB", s / 1024.0);
    if (bytes < 1073741824ULL) return fmt::format("{:3.3f} MB", s / 1048576.0);
    return fmt::format("{:3.3f} GB", s / 1073741824.0);
}

std::string MediaTypeText(std::string text) {
    const size_t tab = text.find('\t');
    if (tab != std::string::npos) text[tab] = ' ';
    return text;
}

DiscoveryResult FindPhysicalDrives(const DiscoveryRoots& roots) {
    DiscoveryResult result;
    std::vector<std::pair<BlockEntry, std::vector<BlockEntry>>> disks;
    const bool live = roots.root == "/" || roots.root.empty();
    if (live && roots.useUdev) {
        if (!ReadUdev(disks, result.error)) return result;
    } else {
        DiscoveryRoots r = roots;
        if (r.root.empty()) r.root = "/";
        disks = ReadTree(r);
    }
    for (const auto& [disk, parts] : disks) {
        CLogicalDrives record;
        if (MakeRecord(disk, parts, live, record)) result.drives.push_back(std::move(record));
    }
    return result;
}

}  // namespace tvn
