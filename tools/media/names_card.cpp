#include "tools/media/names_card.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/media/fat_card.h"
#include "tools/media/samples.h"

namespace tvn::media {

namespace {

constexpr uint64_t kCardBytes = 64ull << 20;
constexpr uint32_t kPartStart = 2048;
constexpr uint32_t kPartSectors = static_cast<uint32_t>(kCardBytes / 512) - kPartStart;
// 2023-03-26 00:30 UTC is 01:30 in Berlin (winter time); an hour later the
// clocks there have gone to 03:30 (summer time).
constexpr int64_t kBeforeChange = 1679790600;
constexpr int64_t kAfterChange = 1679794200;

std::vector<Bytes> Photos() {
    std::vector<SampleFile> samples;
    AppendPhotoSamples(samples);
    std::vector<Bytes> jpegs;
    for (const SampleFile& s : samples)
        if (s.type == "JPG" && !s.data.empty()) jpegs.push_back(s.data);
    if (jpegs.size() < 5) throw std::runtime_error("too few JPEG samples");
    // Largest first: the file whose clusters are taken again must leave room.
    std::sort(jpegs.begin(), jpegs.end(),
              [](const Bytes& a, const Bytes& b) { return a.size() > b.size(); });
    return jpegs;
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

NamesCard BuildNamesCard(const std::string& path, bool exfat) {
    const std::vector<Bytes> jpeg = Photos();
    // A new photo: the last one with one byte of its picture data changed
    // (halfway through, away from any marker), so that its bytes differ from
    // every other photo's while its first sectors are the same.
    Bytes other = jpeg.back();
    for (size_t i = other.size() / 2; i + 1 < other.size(); ++i) {
        if (other[i - 1] != 0xFF && other[i] != 0xFF && other[i] != 0xFE) {
            other[i] = static_cast<uint8_t>(other[i] ^ 1);
            break;
        }
    }

    NamesCard card;
    card.image = path;
    card.exfat = exfat;
    card.zone = exfat ? "UTC" : "Europe/Berlin";
    const std::string dir = "DCIM/100CANON/";
    struct Step {
        std::string name;
        const Bytes* data;
        int64_t mtime;
    };
    // Written in this order; IMG_0002 is the largest photo, so the newer
    // photo written into its place fits there.
    const std::vector<Step> writes = {
        {"IMG_0001.JPG", &jpeg[1], kBeforeChange},
        {"IMG_0002.JPG", &jpeg[0], kBeforeChange + 600},
        {"IMG_0003.JPG", &jpeg[2], kBeforeChange + 1200},
        {"Holiday at the sea.jpg", &jpeg[3], kBeforeChange + 1800},
        {"IMG_0001 copy.jpg", &jpeg[1], kBeforeChange + 2400},
        {"IMG_0004.JPG", &jpeg[4], kAfterChange},
    };
    const std::vector<std::string> deletes = {"IMG_0002.JPG", "IMG_0003.JPG",
                                              "Holiday at the sea.jpg"};
    const Step reuse = {"IMG_0005.JPG", &other, kAfterChange + 600};

    CHostFolder host;
    { ImageFile img(path, kCardBytes); }
    if (!exfat) {
        CFatTools tools(path, kPartStart, kPartSectors, 0x54564E32, kBeforeChange);
        tools.SetTimeZone(card.zone);
        tools.Format({"-F", "32", "-s", "1"});
        {
            ImageFile img(path, kCardBytes, ImageFile::kKeep);
            const MbrPartition part{kPartStart, kPartSectors, 0x0C};
            img.Write(0, MakeMbr({&part, 1}));
        }
        tools.MakeDirectory("/DCIM");
        tools.MakeDirectory("/DCIM/100CANON");
        for (const Step& w : writes) tools.Copy(host.Put(w.name, *w.data, w.mtime), "/" + dir);
        for (const std::string& d : deletes) tools.Delete("/" + dir + d);
        // The next free cluster the file system keeps in its information
        // sector goes back to the start, as a camera that looks for the
        // first free cluster would: the new photo takes IMG_0002's clusters.
        {
            const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
            if (fd < 0) throw std::runtime_error("cannot open " + path);
            const uint8_t hint[4] = {2, 0, 0, 0};
            const off_t at = static_cast<off_t>((kPartStart + 1) * 512 + 492);
            const bool ok = ::pwrite(fd, hint, 4, at) == 4;
            ::close(fd);
            if (!ok) throw std::runtime_error("cannot write " + path);
        }
        tools.Copy(host.Put(reuse.name, *reuse.data, reuse.mtime), "/" + dir);
    } else {
        if (CFatTools::FindTool("mkfs.exfat").empty() ||
            CFatTools::FindTool("mount.exfat-fuse").empty())
            throw std::runtime_error("mkfs.exfat or mount.exfat-fuse not found: install the "
                                     "exfatprogs and exfat-fuse packages");
        {
            ImageFile img(path, kCardBytes, ImageFile::kKeep);
            const MbrPartition part{kPartStart, kPartSectors, 0x07};
            img.Write(0, MakeMbr({&part, 1}));
        }
        std::string mnt = (std::filesystem::temp_directory_path() / "tvn-exfat-XXXXXX").string();
        if (::mkdtemp(mnt.data()) == nullptr) throw std::runtime_error("no temporary folder");
        std::string loop;
        {
            const std::string cmd = fmt::format("losetup -f --show -o {} --sizelimit {} {}",
                                                uint64_t{kPartStart} * 512,
                                                uint64_t{kPartSectors} * 512, Quote(path));
            FILE* p = ::popen(cmd.c_str(), "r");
            char buf[256] = {};
            if (p != nullptr && std::fgets(buf, sizeof buf, p) != nullptr) loop = buf;
            if (p != nullptr) ::pclose(p);
            while (!loop.empty() && (loop.back() == '\n' || loop.back() == ' ')) loop.pop_back();
            if (loop.empty()) throw std::runtime_error("no loop device (needs root)");
        }
        try {
            Shell(fmt::format("mkfs.exfat -c 4096 {} >/dev/null", loop));
            Shell(fmt::format("TZ=UTC mount.exfat-fuse {} {} >/dev/null 2>&1", loop, Quote(mnt)));
            try {
                const std::string d = mnt + "/" + dir;
                std::filesystem::create_directories(d);
                const auto put = [&](const Step& w) {
                    std::ofstream out(d + w.name, std::ios::binary);
                    out.write(reinterpret_cast<const char*>(w.data->data()),
                              static_cast<std::streamsize>(w.data->size()));
                    out.close();
                    const struct timespec times[2] = {{w.mtime, 0}, {w.mtime, 0}};
                    ::utimensat(AT_FDCWD, (d + w.name).c_str(), times, 0);
                };
                for (const Step& w : writes) put(w);
                for (const std::string& x : deletes) std::filesystem::remove(d + x);
                put(reuse);
            } catch (...) {
                Shell(fmt::format("umount {}", Quote(mnt)));
                throw;
            }
            Shell(fmt::format("umount {}", Quote(mnt)));
        } catch (...) {
            Shell(fmt::format("losetup -d {}", loop));
            ::rmdir(mnt.c_str());
            throw;
        }
        Shell(fmt::format("losetup -d {}", loop));
        ::rmdir(mnt.c_str());
    }

    const auto add = [&](const std::string& name, const std::string& expected, int64_t mtime,
                         bool deleted, bool named, bool duplicate, const std::string& restore) {
        card.files.push_back({dir + name, expected, mtime, deleted, named, duplicate, restore});
    };
    add("IMG_0001.JPG", "IMG_0001.JPG", kBeforeChange, false, true, false, "");
    // Its clusters hold the newer photo now: the found file is IMG_0005.
    add("IMG_0002.JPG", exfat ? "IMG_0002.JPG" : "IMG_0002.JPG", kBeforeChange + 600, true, false,
        false, "siblings");
    add("IMG_0003.JPG", "IMG_0003.JPG", kBeforeChange + 1200, true, true, false,
        exfat ? "" : "siblings");
    add("Holiday at the sea.jpg", "Holiday at the sea.jpg", kBeforeChange + 1800, true, true,
        false, exfat ? "" : "long name");
    add("IMG_0001 copy.jpg", "IMG_0001 copy.jpg", kBeforeChange + 2400, false, true, true, "");
    add("IMG_0004.JPG", "IMG_0004.JPG", kAfterChange, false, true, false, "");
    add("IMG_0005.JPG", "IMG_0005.JPG", kAfterChange + 600, false, true, false, "");
    return card;
}

std::string DescribeNamesCard(const NamesCard& card) {
    std::string text = fmt::format("{}: {} card, local times in {}\n", card.image,
                                   card.exfat ? "exFAT" : "FAT32", card.zone);
    for (const NamesCardFile& f : card.files) {
        text += fmt::format("  {:<36} {:>11} {}{}\n", f.path, f.mtime,
                            f.deleted ? "deleted" : "listed", f.duplicate ? ", duplicate" : "");
    }
    return text;
}

}  // namespace tvn::media
