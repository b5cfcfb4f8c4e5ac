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
#include "disk/disk_source.h"
#include "disk/io.h"
#include "scan/scan_job.h"

namespace tvn {

namespace {
constexpr std::string_view kFirstLineV1 = "TVN scan checkpoint 1";
constexpr std::string_view kFirstLine = "TVN scan checkpoint 2";

char LengthLetter(CFileNode::Length l) {
    switch (l) {
        case CFileNode::Length::Measured: return 'm';
        case CFileNode::Length::MayBeIncomplete: return 'i';
        case CFileNode::Length::Carved: break;
    }
    return 'c';
}

CFileNode::Length LengthOf(char letter) {
    return letter == 'm'   ? CFileNode::Length::Measured
           : letter == 'i' ? CFileNode::Length::MayBeIncomplete
                           : CFileNode::Length::Carved;
}

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
    head += fmt::format("found-bytes {}\n", c.foundBytes);
    head += fmt::format("found-until {}\n", c.foundUntil);
    std::string ranges;
    for (const SectorRange& r : c.unreadable) {
        ranges += fmt::format("{}{}+{}", ranges.empty() ? "" : ",", r.first, r.count);
    }
    head += fmt::format("unreadable {}\n", ranges);
    head += fmt::format("lengths {}\n", c.lengths);
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
        const std::string_view first = nl == std::string_view::npos ? rest : rest.substr(0, nl);
        if (first == kFirstLineV1) {
            c.version = 1;
        } else if (first != kFirstLine) {
            if (first.substr(0, 20) == kFirstLine.substr(0, 20)) {
                return fail("a checkpoint of a newer version of the program");
            }
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
    if (c.version >= 2) {
        if (!line("found-bytes", v) || !Number(v, c.foundBytes)) return fail("bad found-bytes total");
        if (!line("found-until", v) || !Number(v, c.foundUntil)) return fail("bad found-until");
        if (!line("unreadable", v)) return fail("no unreadable sectors line");
        ULONGLONG end = 0;
        while (!v.empty()) {
            const size_t comma = v.find(',');
            const std::string_view item = v.substr(0, comma);
            const size_t plus = item.find('+');
            SectorRange r;
            if (plus == std::string_view::npos || !Number(item.substr(0, plus), r.first) ||
                !Number(item.substr(plus + 1), r.count) || r.count == 0 ||
                (!c.unreadable.empty() && r.first <= end) || r.first > c.totalSectors ||
                r.count > c.totalSectors - r.first) {
                return fail("bad unreadable sectors");
            }
            end = r.first + r.count;
            c.unreadable.push_back(r);
            v.remove_prefix(comma == std::string_view::npos ? v.size() : comma + 1);
        }
        if (!line("lengths", v) || v.find_first_not_of("cmi") != std::string_view::npos) {
            return fail("bad length marks");
        }
        c.lengths = std::string(v);
    }
    if (!line("scan-info", v)) return fail("no scan info path");
    c.scanInfoPath = std::string(v);
    if (!line("catalogue", v) || !Number(v, n) || n != rest.size()) return fail("bad catalogue");
    c.catalogue.assign(rest.begin(), rest.end());
    const ScanInfoParse parsed = ParseScanInfo(c.catalogue);
    if (!parsed.Ok()) return fail("the catalogue is damaged");
    if (parsed.contents.driveId != c.driveId) return fail("the catalogue is of another medium");
    size_t files = 0;
    uint64_t sizes = 0;
    for (const auto& f : parsed.contents.folders) {
        files += f.files.size();
        for (const auto& file : f.files) sizes += file.size;
    }
    if (c.version >= 2 && files != c.lengths.size()) return fail("bad length marks");
    if (c.version == 1) {
        // Marks unknown, the total as the sizes add up.
        c.lengths.assign(files, 'c');
        c.foundBytes = sizes;
    }
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
    size_t mark = 0;  // the first file's mark of the folder, in file order
    for (const auto& f : folders) mark += f.files.size();
    for (auto f = folders.rbegin(); f != folders.rend(); ++f) {
        CFolderNode* folder = tree.InsertFolder(f->name);
        ++tree.m_ullFolderCount;
        mark -= f->files.size();
        size_t index = f->files.size();
        for (auto n = f->files.rbegin(); n != f->files.rend(); ++n) {
            --index;
            std::string base = n->name;
            if (base.size() >= f->name.size() &&
                base.compare(base.size() - f->name.size(), f->name.size(), f->name) == 0) {
                base.resize(base.size() - f->name.size());
            }
            CFileNode* node = folder->InsertFile(base, n->startSector, n->endSector, n->size);
            if (mark + index < checkpoint.lengths.size()) {
                node->SetLength(LengthOf(checkpoint.lengths[mark + index]));
            }
            tree.m_ullFoundBytes += n->size;
        }
    }
    // Files that overlap counted their shared bytes once.
    if (checkpoint.version >= 2) tree.m_ullFoundBytes = checkpoint.foundBytes;
    return true;
}

ScanCheckpoint MakeScanCheckpoint(const CScanJob& job, const CDiskSource& source,
                                  const CDirectoryTree& tree, const CTypeCounters& counters,
                                  uint64_t files, std::vector<FileType> types,
                                  ULONGLONG nextSector, std::string scanInfoPath) {
    ScanCheckpoint c;
    c.driveId = CDiskSource::CanonicalIdentifier(source.GetDrive());
    c.totalSectors = source.GetTotalSectors();
    c.sectorSize = source.GetSectorSizeU();
    c.nextSector = nextSector;
    c.types = std::move(types);
    c.exactLengths = job.ExactLengths();
    c.counters = counters.value;
    c.files = files;
    c.scanInfoPath = std::move(scanInfoPath);
    c.catalogue = SerializeScanInfo(c.driveId, static_cast<DWORD>(c.totalSectors & 0xFFFFFFFFu), tree);
    c.foundBytes = tree.m_ullFoundBytes.load();
    c.foundUntil = job.FoundUntil();
    c.unreadable = job.UnreadableRanges();
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            c.lengths += LengthLetter(n->GetLength());
        }
    }
    return c;
}

bool ResumeScanFrom(const ScanCheckpoint& checkpoint, CScanJob& job, CDirectoryTree& tree,
                    CTypeCounters& counters, std::string& error) {
    if (!RestoreCheckpointCatalogue(checkpoint, tree, error)) return false;
    counters.value = checkpoint.counters;
    job.SetExactLengths(checkpoint.exactLengths);
    job.ResumeAt(checkpoint.nextSector, checkpoint.files, checkpoint.foundUntil);
    job.AddKnownUnreadable(checkpoint.unreadable);
    return true;
}

bool CheckpointIsOf(const ScanCheckpoint& checkpoint, const CDiskSource& source) {
    return CDiskSource::CanonicalIdentifier(checkpoint.driveId) ==
               CDiskSource::CanonicalIdentifier(source.GetDrive()) &&
           checkpoint.totalSectors == source.GetTotalSectors() &&
           checkpoint.sectorSize == source.GetSectorSizeU();
}

}  // namespace tvn
