#include "tools/media/fat_card.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace tvn::media {

namespace {

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

[[noreturn]] void Bad(const std::string& what) {
    throw std::runtime_error("FAT file system: " + what);
}

constexpr size_t kDirEntry = 32;
constexpr uint8_t kAttrDirectory = 0x10;
constexpr uint8_t kAttrVolume = 0x08;
constexpr uint8_t kAttrLongName = 0x0F;
constexpr int kMaxDepth = 16;

// The 8.3 name of a short entry; bits 3 and 4 of byte 12 mark a base name or
// extension stored in capitals but meant in small letters.
std::string ShortName(const uint8_t* e) {
    auto part = [](const uint8_t* p, size_t n, bool lower) {
        std::string s;
        for (size_t i = 0; i < n; ++i) {
            char c = static_cast<char>(p[i]);
            if (lower && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            s += c;
        }
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    };
    std::string base = part(e, 8, (e[12] & 0x08) != 0);
    if (!base.empty() && static_cast<uint8_t>(base[0]) == 0x05) base[0] = static_cast<char>(0xE5);
    const std::string ext = part(e + 8, 3, (e[12] & 0x10) != 0);
    return ext.empty() ? base : base + "." + ext;
}

// The 13 UCS-2 characters of one long-name entry, in order.
void AppendLongNameChars(const uint8_t* e, std::u16string& out) {
    static constexpr int kOffsets[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (int off : kOffsets) out += static_cast<char16_t>(Le16(e + off));
}

std::string Narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        if (c == 0 || c == 0xFFFF) break;
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

}  // namespace

CFatReader::CFatReader(const std::string& image, uint64_t partitionOffset) {
    m_fd = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) throw std::runtime_error("cannot open " + image + ": " + std::strerror(errno));
    const Bytes boot = ReadAt(partitionOffset, 512);
    const uint32_t bytesPerSector = Le16(&boot[11]);
    const uint32_t sectorsPerCluster = boot[13];
    const uint32_t reserved = Le16(&boot[14]);
    const uint32_t fats = boot[16];
    const uint32_t rootEntries = Le16(&boot[17]);
    const uint32_t total = Le16(&boot[19]) ? Le16(&boot[19]) : Le32(&boot[32]);
    const uint32_t sectorsPerFat = Le16(&boot[22]) ? Le16(&boot[22]) : Le32(&boot[36]);
    if (boot[510] != 0x55 || boot[511] != 0xAA || bytesPerSector < 512 ||
        (bytesPerSector & (bytesPerSector - 1)) != 0 || sectorsPerCluster == 0 ||
        (sectorsPerCluster & (sectorsPerCluster - 1)) != 0 || reserved == 0 || fats == 0 ||
        sectorsPerFat == 0)
        Bad("no valid boot sector");
    const uint32_t rootSectors = (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
    const uint64_t meta = reserved + uint64_t{fats} * sectorsPerFat + rootSectors;
    if (meta >= total) Bad("boot sector figures exceed the volume");
    m_clusters = static_cast<uint32_t>((total - meta) / sectorsPerCluster);
    m_bits = m_clusters < 4085 ? 12 : m_clusters < 65525 ? 16 : 32;
    m_clusterBytes = sectorsPerCluster * bytesPerSector;
    m_fat = ReadAt(partitionOffset + uint64_t{reserved} * bytesPerSector,
                   size_t{sectorsPerFat} * bytesPerSector);
    if (uint64_t{m_clusters + 2} * static_cast<uint64_t>(m_bits) / 8 > m_fat.size())
        Bad("FAT too small for its clusters");
    m_rootOffset = partitionOffset + (reserved + uint64_t{fats} * sectorsPerFat) * bytesPerSector;
    m_rootBytes = rootEntries * 32;
    m_dataOffset = partitionOffset + meta * bytesPerSector;
    if (m_bits == 32) m_rootCluster = Le32(&boot[44]);
}

CFatReader::~CFatReader() {
    if (m_fd >= 0) ::close(m_fd);
}

Bytes CFatReader::ReadAt(uint64_t offset, size_t n) const {
    Bytes out(n);
    size_t done = 0;
    while (done < n) {
        const ssize_t r =
            ::pread(m_fd, out.data() + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) Bad(fmt::format("cannot read {} bytes at {}", n, offset));
        done += static_cast<size_t>(r);
    }
    return out;
}

uint32_t CFatReader::Next(uint32_t cluster) const {
    switch (m_bits) {
        case 12: {
            const uint16_t v = Le16(&m_fat[cluster + cluster / 2]);
            return (cluster & 1) ? v >> 4 : v & 0x0FFFu;
        }
        case 16:
            return Le16(&m_fat[size_t{cluster} * 2]);
        default:
            return Le32(&m_fat[size_t{cluster} * 4]) & 0x0FFFFFFFu;
    }
}

bool CFatReader::IsEnd(uint32_t value) const {
    const uint32_t end = m_bits == 12 ? 0xFF8u : m_bits == 16 ? 0xFFF8u : 0x0FFFFFF8u;
    return value >= end;
}

std::vector<uint32_t> CFatReader::Chain(uint32_t first) const {
    std::vector<uint32_t> chain;
    for (uint32_t c = first; !IsEnd(c); c = Next(c)) {
        if (c < 2 || c >= m_clusters + 2) Bad(fmt::format("cluster {} out of range", c));
        if (chain.size() > m_clusters) Bad("cluster chain loops");
        chain.push_back(c);
    }
    return chain;
}

Bytes CFatReader::ReadChain(uint32_t first) const {
    Bytes out;
    for (uint32_t c : Chain(first)) {
        const Bytes part = ReadAt(m_dataOffset + uint64_t{c - 2} * m_clusterBytes, m_clusterBytes);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

std::vector<FatEntry> CFatReader::List() const {
    std::vector<FatEntry> out;
    const Bytes root = m_bits == 32 ? ReadChain(m_rootCluster) : ReadAt(m_rootOffset, m_rootBytes);
    ListDirectory(root, "", 0, out);
    return out;
}

void CFatReader::ListDirectory(const Bytes& dir, const std::string& prefix, int depth,
                               std::vector<FatEntry>& out) const {
    if (depth > kMaxDepth) Bad("directories nested too deep");
    std::u16string longName;
    std::vector<std::u16string> parts;
    for (size_t pos = 0; pos + kDirEntry <= dir.size(); pos += kDirEntry) {
        const uint8_t* e = &dir[pos];
        if (e[0] == 0x00) break;  // end of the directory
        if (e[0] == 0xE5) {       // deleted entry
            parts.clear();
            continue;
        }
        if ((e[11] & 0x3F) == kAttrLongName) {
            // Long-name entries come last part first, just before their short entry.
            if (e[0] & 0x40) parts.clear();
            std::u16string chars;
            AppendLongNameChars(e, chars);
            parts.push_back(chars);
            continue;
        }
        if (e[11] & kAttrVolume) {
            parts.clear();
            continue;
        }
        longName.clear();
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) longName += *it;
        parts.clear();
        const std::string name = longName.empty() ? ShortName(e) : Narrow(longName);
        if (name == "." || name == "..") continue;

        FatEntry entry;
        entry.path = prefix + "/" + name;
        entry.directory = (e[11] & kAttrDirectory) != 0;
        entry.firstCluster = Le16(e + 26) | (m_bits == 32 ? uint32_t{Le16(e + 20)} << 16 : 0u);
        entry.size = Le32(e + 28);
        if (!entry.directory && entry.size > 0) {
            uint64_t left = entry.size;
            for (uint32_t c : Chain(entry.firstCluster)) {
                if (left == 0) break;
                const uint64_t offset = m_dataOffset + uint64_t{c - 2} * m_clusterBytes;
                const uint64_t n = std::min<uint64_t>(left, m_clusterBytes);
                if (!entry.extents.empty() &&
                    entry.extents.back().offset + entry.extents.back().length == offset) {
                    entry.extents.back().length += n;
                } else {
                    entry.extents.push_back({offset, n});
                }
                left -= n;
            }
            if (left != 0) Bad("cluster chain of " + entry.path + " shorter than the file");
        }
        out.push_back(entry);
        if (entry.directory && entry.firstCluster >= 2)
            ListDirectory(ReadChain(entry.firstCluster), entry.path, depth + 1, out);
    }
}

// --- the tools ---

CFatTools::CFatTools(std::string image, uint32_t partitionStartSector, uint32_t partitionSectors,
                     uint32_t volumeId, int64_t epoch)
    : m_image(std::move(image)),
      m_startSector(partitionStartSector),
      m_sectors(partitionSectors),
      m_volumeId(volumeId),
      m_epoch(epoch) {}

std::string CFatTools::FindTool(const std::string& name) {
    // mkfs.vfat lives in the system folders, which a user's PATH may lack.
    const char* env = std::getenv("PATH");
    std::string path = env ? env : "/usr/bin:/bin";
    path += ":/usr/sbin:/sbin";
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find(':', start), path.size());
        const std::string dir = path.substr(start, end - start);
        start = end + 1;
        if (dir.empty()) continue;
        const std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::string CFatTools::Drive() const {
    // mtools reaches a partition inside an image as image@@byte-offset.
    return m_image + "@@" + std::to_string(uint64_t{m_startSector} * 512);
}

void CFatTools::Run(const std::vector<std::string>& args) const {
    const std::string tool = FindTool(args.at(0));
    if (tool.empty()) {
        throw std::runtime_error(args[0] + " not found: install the " +
                                 (args[0] == "mkfs.vfat" ? "dosfstools" : "mtools") + " package");
    }
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view v(*e);
        if (v.starts_with("MTOOLS") || v.starts_with("TZ=") || v.starts_with("LC_ALL=") ||
            v.starts_with("SOURCE_DATE_EPOCH="))
            continue;
        env.emplace_back(v);
    }
    env.emplace_back("MTOOLS_SKIP_CHECK=1");  // an image has no disk geometry to check
    env.emplace_back("MTOOLSRC=/dev/null");   // no user settings
    env.emplace_back("TZ=" + m_zone);
    env.emplace_back("LC_ALL=C");
    env.emplace_back("SOURCE_DATE_EPOCH=" + std::to_string(m_epoch));

    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    pid_t pid = 0;
    const int err = ::posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    std::string output;
    if (err == 0) {
        char buf[4096];
        ssize_t n = 0;
        while ((n = ::read(pipeFds[0], buf, sizeof buf)) != 0) {
            if (n < 0) {
                if (errno == EINTR) continue;
                break;
            }
            output.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(pipeFds[0]);
    if (err != 0) throw std::runtime_error("cannot run " + tool + ": " + std::strerror(err));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string line;
        for (const auto& a : args) line += (line.empty() ? "" : " ") + a;
        throw std::runtime_error(line + " failed: " + output);
    }
}

void CFatTools::Format(const std::vector<std::string>& extra) const {
    // The size is given in KiB blocks; the boot sector records the sectors
    // before the partition as hidden sectors, as a partitioning tool would.
    std::vector<std::string> args = {"mkfs.vfat", "--invariant", "-i",
                                     fmt::format("{:08X}", m_volumeId), "-h",
                                     std::to_string(m_startSector), "--offset",
                                     std::to_string(m_startSector)};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(m_image);
    args.push_back(std::to_string(m_sectors / 2));
    Run(args);
}

void CFatTools::MakeDirectory(const std::string& cardPath) const {
    Run({"mmd", "-i", Drive(), "::" + cardPath});
}

void CFatTools::Copy(const std::string& hostFile, const std::string& cardDirectory) const {
    Run({"mcopy", "-m", "-i", Drive(), hostFile, "::" + cardDirectory + "/"});
}

void CFatTools::Delete(const std::string& cardPath) const {
    Run({"mdel", "-i", Drive(), "::" + cardPath});
}

CHostFolder::CHostFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tvn-card-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    m_path = tmpl;
}

CHostFolder::~CHostFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string CHostFolder::Put(const std::string& name, const Bytes& data, int64_t mtime) {
    const std::filesystem::path dir = std::filesystem::path(m_path) / std::to_string(m_count++);
    std::filesystem::create_directory(dir);
    const std::string path = (dir / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot set the time of " + path);
    return path;
}

}  // namespace tvn::media
