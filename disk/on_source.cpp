#include "disk/on_source.h"

#include <fmt/format.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

namespace tvn {

namespace fs = std::filesystem;

// --- where a destination lies -------------------------------------------------

namespace {

std::string SysBlockDir(dev_t dev) {
    return fmt::format("/sys/dev/block/{}:{}", major(dev), minor(dev));
}

std::string ReadLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// A "MAJ:MIN" device file of sysfs; nullopt when missing.
std::optional<dev_t> ReadDevNumber(const std::string& path) {
    const std::string text = ReadLine(path);
    unsigned maj = 0;
    unsigned min = 0;
    if (std::sscanf(text.c_str(), "%u:%u", &maj, &min) != 2) return std::nullopt;
    return makedev(maj, min);
}

bool IsPartitionDevice(dev_t dev) {
    std::error_code ec;
    return fs::exists(SysBlockDir(dev) + "/partition", ec);
}

// The whole disk a partition belongs to.
std::optional<dev_t> ParentDisk(dev_t dev) {
    if (!IsPartitionDevice(dev)) return std::nullopt;
    return ReadDevNumber(SysBlockDir(dev) + "/../dev");
}

// The devices a block device is built on (device mapper, md), recursively,
// with the device itself and the whole disks of the partitions among them.
std::set<dev_t> LowerDevices(dev_t dev) {
    std::set<dev_t> done;
    std::vector<dev_t> todo{dev};
    while (!todo.empty() && done.size() < 64) {
        const dev_t d = todo.back();
        todo.pop_back();
        if (!done.insert(d).second) continue;
        if (const auto parent = ParentDisk(d)) todo.push_back(*parent);
        std::error_code ec;
        for (const auto& slave : fs::directory_iterator(SysBlockDir(d) + "/slaves", ec)) {
            if (const auto s = ReadDevNumber(slave.path().string() + "/dev")) todo.push_back(*s);
        }
    }
    return done;
}

// The mount table writes space, tab, newline and backslash as octal escapes.
std::string UnescapeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](size_t k) { return field[k] >= '0' && field[k] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) &&
            octal(i + 3)) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// The block device a mounted path lies on by the mount table: the mount with
// the longest mount point that contains path, when its source is a device.
// (Some file systems report a device number of their own in st_dev.)
std::optional<dev_t> MountSourceDevice(const std::string& path) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    size_t best = 0;
    std::string bestSource;
    while (std::getline(in, line)) {
        // id parent maj:min root mount-point options [optional...] - type source super
        std::istringstream fields(line);
        std::string id, parent, majmin, root, mountPoint;
        fields >> id >> parent >> majmin >> root >> mountPoint;
        mountPoint = UnescapeMountField(mountPoint);
        const size_t dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream tail(line.substr(dash + 3));
        std::string type, source;
        tail >> type >> source;
        source = UnescapeMountField(source);
        const bool contains = path == mountPoint || mountPoint == "/" ||
                              (path.rfind(mountPoint, 0) == 0 && path.size() > mountPoint.size() &&
                               path[mountPoint.size()] == '/');
        if (contains && mountPoint.size() >= best) {
            best = mountPoint.size();
            bestSource = source;
        }
    }
    if (bestSource.rfind("/dev/", 0) != 0) return std::nullopt;
    struct stat st {};
    if (::stat(bestSource.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return std::nullopt;
    return st.st_rdev;
}

// The nearest existing path at or above path.
fs::path NearestExisting(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec) p = path;
    p = p.lexically_normal();
    while (!fs::exists(p, ec) && p.has_relative_path()) p = p.parent_path();
    const fs::path canonical = fs::canonical(p, ec);
    return ec ? p : canonical;
}

bool OnSource(const std::string& dest, const std::string& source, const struct stat& src,
              std::string& why, int depth) {
    const fs::path near = NearestExisting(dest);
    struct stat ds {};
    if (::stat(near.c_str(), &ds) != 0) return false;

    // The destination is the image itself, or a path through it.
    if (S_ISREG(src.st_mode) && ds.st_dev == src.st_dev && ds.st_ino == src.st_ino) {
        why = fmt::format("The destination {} is the disk image being recovered.", dest);
        return true;
    }

    std::set<dev_t> lower = LowerDevices(ds.st_dev);
    if (const auto mounted = MountSourceDevice(near.string())) {
        const std::set<dev_t> more = LowerDevices(*mounted);
        lower.insert(more.begin(), more.end());
    }
    if (S_ISBLK(src.st_mode)) {
        const dev_t medium = src.st_rdev;
        const auto mediumDisk = ParentDisk(medium);
        for (const dev_t d : lower) {
            const auto disk = ParentDisk(d);
            if (d == medium || (disk && *disk == medium) || (mediumDisk && d == *mediumDisk)) {
                why = fmt::format("The destination {} lies on the medium being recovered ({}).",
                                  dest, source);
                return true;
            }
        }
    }
    // A loop device under the destination whose backing file is the image,
    // or lies on the medium.
    if (depth < 4) {
        for (const dev_t d : lower) {
            const std::string backing = ReadLine(SysBlockDir(d) + "/loop/backing_file");
            if (backing.empty()) continue;
            std::string inner;
            if (OnSource(backing, source, src, inner, depth + 1)) {
                why = fmt::format(
                    "The destination {} lies on a loop device backed by {}, which is on the "
                    "medium being recovered ({}).",
                    dest, backing, source);
                return true;
            }
        }
    }
    return false;
}

}  // namespace

bool IsDestinationOnSource(const std::string& destinationDir, const std::string& sourcePath,
                           std::string& why) {
    struct stat src {};
    if (sourcePath.empty() || ::stat(sourcePath.c_str(), &src) != 0) return false;
    if (!S_ISBLK(src.st_mode) && !S_ISREG(src.st_mode)) return false;
    return OnSource(destinationDir, sourcePath, src, why, 0);
}

std::string WriteOnSourceRefusal(const std::string& path, const std::string& sourcePath) {
    std::string why;
    if (!IsDestinationOnSource(path, sourcePath, why)) return {};
    return why + "\nPlease choose a destination on another drive.";
}

}  // namespace tvn
