#include "scan/scan_checkpoint.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "catalog/directory_tree.h"
#include "catalog/scan_info.h"
#include "disk/io.h"

namespace tvn {

namespace {
constexpr std::string_view kFirstLine = "TVN scan checkpoint 1";

bool Number(std::string_view text, uint64_t& value) {
    if (text.empty()) return false;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && p == text.data() + text.size();
}
}  // namespace

std::vector<uint8_t> SerializeScanCheckpoint(const ScanCheckpoint& c) {
    std::string head = std::string(kFirstLine) + "\n";
    head += fmt::format("drive {}\n", c.driveId);
    head += fmt::format("sectors {}\n", c.totalSectors);
    head += fmt::format("sector-size {}\n", c.sectorSize);
    head += fmt::format("next {}\n", c.nextSector);
    std::string types;
    for (FileType t : c.types) types += (types.empty() ? "" : ",") + std::string(TypeName(t));
    head += fmt::format("types {}\n", types);
    head += fmt::format("exact {}\n", c.exactLengths ? 1 : 0);
    head += "counters";
    for (UINT v : c.counters) head += fmt::format(" {}", v);
    head += "\n";
    head += fmt::format("files {}\n", c.files);
    head += fmt::format("scan-info {}\n", c.scanInfoPath);
    head += fmt::format("catalogue {}\n", c.catalogue.size());
    std::vector<uint8_t> out(head.begin(), head.end());
    out.insert(out.end(), c.catalogue.begin(), c.catalogue.end());
    return out;
}

std::optional<ScanCheckpoint> ParseScanCheckpoint(std::span<const uint8_t> bytes,
                                                  std::string& error) {
    std::string_view rest(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    ScanCheckpoint c;
    auto line = [&rest](std::string_view key, std::string_view& value) {
        const size_t nl = rest.find('\n');
        if (nl == std::string_view::npos) return false;
        std::string_view l = rest.substr(0, nl);
        rest.remove_prefix(nl + 1);
        if (l.substr(0, key.size()) != key) return false;
        l.remove_prefix(key.size());
        if (l.empty()) {
            value = l;
            return true;
        }
        if (l[0] != ' ') return false;
        value = l.substr(1);
        return true;
    };
    auto fail = [&error](std::string_view why) {
        error = std::string(why);
        return std::nullopt;
    };
    std::string_view v;
    uint64_t n = 0;
    {
        const size_t nl = rest.find('\n');
        if (nl == std::string_view::npos || rest.substr(0, nl) != kFirstLine) {
            return fail("not a scan checkpoint");
        }
        rest.remove_prefix(nl + 1);
    }
    if (!line("drive", v) || v.empty()) return fail("no medium");
    c.driveId = std::string(v);
    if (!line("sectors", v) || !Number(v, c.totalSectors)) return fail("bad sector count");
    if (!line("sector-size", v) || !Number(v, n) || n < 512 || n > 66048) {
        return fail("bad sector size");
    }
    c.sectorSize = static_cast<uint32_t>(n);
    if (!line("next", v) || !Number(v, c.nextSector) || c.nextSector > c.totalSectors) {
        return fail("bad position");
    }
    if (!line("types", v)) return fail("no types");
    while (!v.empty()) {
        const size_t comma = v.find(',');
        const std::string name(v.substr(0, comma));
        const auto t = FindTypeByName(name);
        if (!t) return fail("unknown type " + name);
        c.types.push_back(*t);
        v.remove_prefix(comma == std::string_view::npos ? v.size() : comma + 1);
    }
    if (c.types.empty()) return fail("no types");
    if (!line("exact", v) || (v != "0" && v != "1")) return fail("bad exact flag");
    c.exactLengths = v == "1";
    if (!line("counters", v)) return fail("no counters");
    for (size_t i = 0; i < c.counters.size(); ++i) {
        const size_t sp = v.find(' ');
        if (!Number(v.substr(0, sp), n) || n > UINT32_MAX) return fail("bad counters");
        c.counters[i] = static_cast<UINT>(n);
        v.remove_prefix(sp == std::string_view::npos ? v.size() : sp + 1);
    }
    if (!v.empty()) return fail("bad counters");
    if (!line("files", v) || !Number(v, c.files)) return fail("bad file count");
    if (!line("scan-info", v)) return fail("no scan info path");
    c.scanInfoPath = std::string(v);
    if (!line("catalogue", v) || !Number(v, n) || n != rest.size()) return fail("bad catalogue");
    c.catalogue.assign(rest.begin(), rest.end());
    const ScanInfoParse parsed = ParseScanInfo(c.catalogue);
    if (!parsed.Ok()) return fail("the catalogue is damaged");
    if (parsed.contents.driveId != c.driveId) return fail("the catalogue is of another medium");
    return c;
}

bool SaveScanCheckpoint(const std::string& path, const ScanCheckpoint& checkpoint) {
    const std::vector<uint8_t> bytes = SerializeScanCheckpoint(checkpoint);
    return ReplaceFileWhole(path, bytes.data(), bytes.size());
}

std::optional<ScanCheckpoint> LoadScanCheckpoint(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    struct stat st {};
    constexpr off_t kLargest = off_t{1} << 30;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLargest) {
        ::close(fd);
        error = "not a scan checkpoint";
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
    const ssize_t got = PreadFully(fd, bytes.data(), bytes.size(), 0);
    const int err = errno;
    ::close(fd);
    if (got < 0) {
        error = std::strerror(err);
        return std::nullopt;
    }
    bytes.resize(static_cast<size_t>(got));
    return ParseScanCheckpoint(bytes, error);
}

bool RestoreCheckpointCatalogue(const ScanCheckpoint& checkpoint, CDirectoryTree& tree,
                                std::string& error) {
    const ScanInfoParse parsed = ParseScanInfo(checkpoint.catalogue);
    if (!parsed.Ok()) {
        error = "the catalogue is damaged";
        return false;
    }
    tree.RemoveAll();
    // The scan puts new folders and files at the front of their lists, so
    // the file holds them newest first: they are put back oldest first.
    const auto& folders = parsed.contents.folders;
    for (auto f = folders.rbegin(); f != folders.rend(); ++f) {
        CFolderNode* folder = tree.InsertFolder(f->name);
        ++tree.m_ullFolderCount;
        for (auto n = f->files.rbegin(); n != f->files.rend(); ++n) {
            std::string base = n->name;
            if (base.size() >= f->name.size() &&
                base.compare(base.size() - f->name.size(), f->name.size(), f->name) == 0) {
                base.resize(base.size() - f->name.size());
            }
            folder->InsertFile(base, n->startSector, n->endSector, n->size);
            tree.m_ullFoundBytes += n->size;
        }
    }
    return true;
}

}  // namespace tvn
