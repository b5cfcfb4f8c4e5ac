#include <blkid/blkid.h>
#include <fmt/format.h>
#include <libudev.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "disk/drives.h"
#include "disk/on_source.h"

namespace tvn {

namespace fs = std::filesystem;

namespace {

// File systems of the kernel's own, which hold no user files.
const std::set<std::string> kPseudo = {
    "proc",     "sysfs",      "devtmpfs",  "devpts",   "cgroup",     "cgroup2",   "securityfs",
    "debugfs",  "tracefs",    "pstore",    "bpf",      "mqueue",     "hugetlbfs", "configfs",
    "fusectl",  "autofs",     "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs",    "selinuxfs",
    "nfsd",     "fuse.gvfsd-fuse", "fuse.portal", "squashfs"};
// Optical media: never a place to save to, as CD-ROM drives are not.
const std::set<std::string> kOptical = {"iso9660", "udf"};

std::string Unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](size_t k) { return field[k] >= '0' && field[k] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool HasOption(const std::string& options, const char* name) {
    std::stringstream in(options);
    std::string o;
    while (std::getline(in, o, ','))
        if (o == name) return true;
    return false;
}

bool Under(const std::string& path, const std::string& dir) {
    return path == dir || (path.rfind(dir + "/", 0) == 0);
}

// The volume label of a device: udev's ID_FS_LABEL, else the by-label links.
// The label read from the file system itself (needs read permission on it).
std::string ProbeLabel(const std::string& device) {
    std::string label;
    blkid_probe pr = blkid_new_probe_from_filename(device.c_str());
    if (pr == nullptr) return label;
    blkid_probe_enable_superblocks(pr, 1);
    blkid_probe_set_superblocks_flags(pr, BLKID_SUBLKS_LABEL);
    const char* value = nullptr;
    if (blkid_do_safeprobe(pr) == 0 && blkid_probe_lookup_value(pr, "LABEL", &value, nullptr) == 0 && value)
        label = value;
    blkid_free_probe(pr);
    return label;
}

std::string VolumeLabel(const std::string& majmin, const std::string& source, const DiscoveryRoots& roots) {
    const fs::path root(roots.root.empty() ? "/" : roots.root);
    const bool live = roots.root.empty() || roots.root == "/";
    unsigned maj = 0, min = 0;
    if (std::sscanf(majmin.c_str(), "%u:%u", &maj, &min) != 2) return {};
    if (live && roots.useUdev) {
        if (udev* u = udev_new()) {
            std::string label;
            if (udev_device* d = udev_device_new_from_devnum(u, 'b', makedev(maj, min))) {
                const char* l = udev_device_get_property_value(d, "ID_FS_LABEL");
                if (l) label = l;
                udev_device_unref(d);
            }
            udev_unref(u);
            if (!label.empty()) return label;
        }
    } else if (roots.useUdev) {
        std::ifstream in((root / "run/udev/data" / ("b" + majmin)).string());
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("E:ID_FS_LABEL=", 0) == 0) return line.substr(14);
    }
    std::error_code ec;
    for (const auto& link : fs::directory_iterator(root / "dev/disk/by-label", ec)) {
        struct stat st {};
        if (::stat(link.path().c_str(), &st) == 0 && S_ISBLK(st.st_mode) && major(st.st_rdev) == maj &&
            minor(st.st_rdev) == min)
            return Unescape(link.path().filename().string());
    }
    return live && source.rfind("/dev/", 0) == 0 ? ProbeLabel(source) : std::string();
}

std::string HomeFolder() {
    if (const char* h = std::getenv("HOME"); h != nullptr && *h == '/') return h;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
    return {};
}

}  // namespace

std::vector<CDestination> ListDestinations(const std::string& sourcePath, const DiscoveryRoots& roots) {
    const std::string root = roots.root.empty() ? "/" : roots.root;
    const bool live = root == "/";
    const auto onDisk = [&](const std::string& p) { return live ? p : (fs::path(root) / p.substr(1)).string(); };
    std::vector<CDestination> out;
    std::set<std::string> seen;

    const auto mark = [&](CDestination& d) {
        if (!sourcePath.empty()) d.m_bOnSource = IsDestinationOnSource(onDisk(d.m_strPath), sourcePath, d.m_strWhy);
    };

    // The home folder first: the place a desktop user looks for his files.
    const std::string home = HomeFolder();
    if (!home.empty() && fs::is_directory(onDisk(home))) {
        CDestination d;
        d.m_strPath = home;
        d.m_strLabel = kHomeFolderLabel;
        d.m_strText = fmt::format("{} [{}]", home, d.m_strLabel);
        mark(d);
        out.push_back(std::move(d));
    }

    // Later mounts on the same place hide earlier ones: the last one counts.
    struct Mount {
        std::string point, majmin, type, source, options, superOptions;
    };
    std::vector<Mount> mounts;
    std::ifstream in(live ? "/proc/self/mountinfo" : (fs::path(root) / "proc/self/mountinfo").string());
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream f(line);
        Mount m;
        std::string id, parent, mroot;
        if (!(f >> id >> parent >> m.majmin >> mroot >> m.point >> m.options)) continue;
        const size_t dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream tail(line.substr(dash + 3));
        tail >> m.type >> m.source >> m.superOptions;
        m.source = Unescape(m.source);
        m.point = Unescape(m.point);
        std::erase_if(mounts, [&](const Mount& o) { return o.point == m.point; });
        mounts.push_back(std::move(m));
    }
    for (const Mount& m : mounts) {
        if (kPseudo.count(m.type) || kOptical.count(m.type)) continue;
        if (HasOption(m.options, "ro") || HasOption(m.superOptions, "ro")) continue;
        // The system's own memory-backed folders.
        if ((m.type == "tmpfs" || m.type == "ramfs") &&
            (Under(m.point, "/dev") || Under(m.point, "/run") || Under(m.point, "/sys") || Under(m.point, "/proc")))
            continue;
        if (seen.count(m.point) || m.point == home) continue;
        // Files bind-mounted over files (a container's /etc/hosts) are no
        // places to save to, and neither is a folder this user may not write.
        const std::string there = onDisk(m.point);
        if (!fs::is_directory(there) || ::access(there.c_str(), W_OK) != 0) continue;
        seen.insert(m.point);
        CDestination d;
        d.m_strPath = m.point;
        d.m_strLabel = VolumeLabel(m.majmin, m.source, roots);
        d.m_strText = fmt::format("{} [{}]", m.point, d.m_strLabel);
        mark(d);
        out.push_back(std::move(d));
    }
    return out;
}

}  // namespace tvn
