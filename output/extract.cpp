#include "output/extract.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <stdlib.h>
#include <sys/stat.h>

#include "disk/io.h"
#include "disk/rescue_map.h"
#include "output/repair.h"
#include "scan/type_table.h"

namespace tvn {

namespace {

// Files of the types that may be cut are cut to 1 MiB above 50 MiB.
constexpr uint64_t kCutAbove = 52428800;
constexpr uint64_t kCutTo = 1048576;
// Below this size a failed allocation gives up (MP3 files try on).
constexpr uint64_t kSmallestRetry = 1024;
// Extracted MP3 files below this size are deleted.
constexpr uint64_t kSmallestMp3 = 2048;

bool NeverCut(const std::string& type) {
    // Sony's ARW raw files are never cut either; no recognizer names a folder
    // so, but a loaded scan info file may.
    if (type == "ARW") return true;
    const TypeFacts* facts = FindFolderType(type);
    return facts != nullptr && facts->neverCut;
}

std::unique_ptr<uint8_t[]> AllocateNothrow(uint64_t size) {
    if (size > std::numeric_limits<size_t>::max()) return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
}


void Trace(IReporter& reporter, std::string_view label, std::string_view value,
           std::string_view tail = {}) {
    std::string line(label);
    line += value;
    line += tail;
    line += '\n';
    reporter.Console(line);
}

void TraceNumber(IReporter& reporter, std::string_view label, uint64_t value,
                 std::string_view tail = {}) {
    Trace(reporter, label, std::to_string(value), tail);
}

// A catalogue name is written as one file inside dir and must stay there.
bool UsableFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// The bytes this save reads for node. A length measured from the file's own
// structure is written exactly as it is: nothing to round, cut or repair.
// Otherwise whole sectors, always one more: the tail of the file's last
// sector and at least part of the next one go out with it; repair trims what
// it can; above 50 MiB the types that may be cut are cut to 1 MiB. The size
// is worked out for this save only: the node keeps what the scan found, so a
// second save or a burn after it writes the same bytes.
uint64_t BytesToSave(const CFileNode& node, const std::string& type, uint64_t sector,
                     bool measured, bool& cut, IReporter& reporter) {
    uint64_t size = node.GetSize();
    if (!measured) {
        size -= size % sector;
        size = size <= std::numeric_limits<uint64_t>::max() - sector ? size + sector : size;
    }
    TraceNumber(reporter, "Entered with size :", size);
    if (!measured && size > kCutAbove && !NeverCut(type)) {
        size = kCutTo;
        cut = true;
    }
    return size;
}

// The read buffer: result.size bytes, or a chunk of them for a large file.
// When there is no room, the size is divided by 2, then the new size by 4, by
// 8, ... (result.size follows). Null, with result.error ENOMEM, when nothing
// smaller is worth trying.
std::unique_ptr<uint8_t[]> ReadBuffer(const ExtractAllocator& allocate, const std::string& type,
                                      const std::string& name, uint64_t& chunk,
                                      ExtractResult& result, IReporter& reporter) {
    uint64_t& size = result.size;
    uint64_t divisor = 1;
    for (;;) {
        TraceNumber(reporter, "Trying to allocate memory :", size, " bytes");
        chunk = std::min(size, kExtractChunk);
        if (std::unique_ptr<uint8_t[]> buffer = allocate(chunk)) return buffer;
        Trace(reporter, "\t Failed to retrieve :", name);
        if (size == 0) {
            result.error = ENOMEM;
            return nullptr;  // nothing smaller to try
        }
        divisor *= 2;
        size /= divisor;
        TraceNumber(reporter, "\t Trying with size   :", size);
        if (size < kSmallestRetry && type != "MP3") {
            result.error = ENOMEM;
            return nullptr;
        }
    }
}

// Why a copy failed: the console line's label and the errno.
struct CopyFailure {
    std::string_view label;
    int error = 0;
};

// Copies result.size bytes of the medium, from byte first on, into the
// descriptor to, a chunk at a time through buffer. Sectors that cannot be
// read are zeros in the file, counted in result and in the read health; a
// short read near the end of the medium leaves the rest zero.
std::optional<CopyFailure> CopyFromMedium(const OutputContext& ctx, const IMedium& source,
                                          uint64_t first, uint32_t sector, uint8_t* buffer,
                                          uint64_t chunk, int to, ExtractResult& result,
                                          IReporter& reporter) {
    CMediumReader medium(source);
    const PieceReader read = medium.Reader();
    const uint64_t size = result.size;
    for (uint64_t done = 0; done < size;) {
        const auto n = static_cast<size_t>(std::min(chunk, size - done));
        const ReadAroundResult r = ReadAround(read, buffer, n, first + done, sector, ctx.readHealth);
        if (r.gone) {
            reporter.Message(kDisconnectedRestart, "Error", MsgIcon::Error);
            result.mediumLost = true;
            return CopyFailure{"Reading :Error #", ENODEV};
        }
        // Sectors a rescue copy never read are zeros in its image, and as
        // unreadable as those the medium itself refuses.
        std::vector<SectorRange> bad = r.bad;
        uint64_t badSectors = r.badSectors;
        if (!ctx.neverRead.empty() && r.got > 0) {
            AddNeverRead(ctx.neverRead, (first + done) / sector,
                         (static_cast<uint64_t>(r.got) + sector - 1) / sector, bad, badSectors);
        }
        if (r.failed || badSectors != r.badSectors) {
            TraceNumber(reporter, "Reading :Error #", static_cast<uint64_t>(EIO));
            result.unreadableSectors += badSectors;
            result.unreadable.insert(result.unreadable.end(), bad.begin(), bad.end());
            ctx.readHealth.AddUnreadable(bad);
        }
        if (done == 0 && r.got == 0 && n != 0) return CopyFailure{"Reading :Error #", ENXIO};
        if (!WriteFully(to, buffer, n)) return CopyFailure{"Writing :Error #", errno};
        done += n;
    }
    return std::nullopt;
}

// A file written whole: kept as measured; an MP3 too short to be music
// deleted again; otherwise trimmed by the repair routine of its type.
void KeepOrTrim(ExtractResult& result, bool measured, const std::string& type, IReporter& reporter) {
    if (measured) {
        // Whole as measured.
    } else if (type == "MP3") {
        if (result.size < kSmallestMp3) {
            ::unlink(result.path.c_str());
            result.saved = false;
            result.dropped = true;
        }
    } else if (const auto kind = RepairKindForType(type)) {
        RepairFile(*kind, result.path, reporter);
    }
}

}  // namespace

ExtractResult SaveFileNode(const OutputContext& ctx, CFileNode& node, const std::string& dir,
                           IReporter& reporter) {
    return SaveFileNode(ctx, node, dir, reporter, AllocateNothrow);
}

ExtractResult SaveFileNode(const OutputContext& ctx, CFileNode& node, const std::string& dir,
                           IReporter& reporter, const ExtractAllocator& allocate) {
    ExtractResult result;
    // The session's medium, opened once; one removed since the scan is
    // noticed before anything is written (and opened again, which fails).
    if (!ctx.source.UseCurrentSource(ctx.source.selectedDrive, reporter, kDisconnectedRestart)) {
        result.mediumLost = true;
        result.error = ENODEV;
        return result;
    }
    const CDiskSource& source = *ctx.source.diskSource;
    const uint64_t sector = source.GetSectorSizeU() != 0 ? source.GetSectorSizeU() : 512;
    const std::string type = node.GetParent() != nullptr ? node.GetParent()->GetName() : "";
    const std::string& name = node.GetName();
    const bool measured = node.GetLength() == CFileNode::Length::Measured;
    result.size = BytesToSave(node, type, sector, measured, result.cut, reporter);

    uint64_t chunk = 0;
    std::unique_ptr<uint8_t[]> buffer = ReadBuffer(allocate, type, name, chunk, result, reporter);
    if (!buffer) return result;
    const uint64_t size = result.size;

    // Reading starts at start sector x sector size. A start that lies at or
    // past the end of the medium is a failed read.
    const uint64_t start = node.GetStartSector();
    if (start > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) / sector ||
        size > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) - start * sector) {
        TraceNumber(reporter, "Reading :Error #", static_cast<uint64_t>(EOVERFLOW));
        result.error = EOVERFLOW;
        return result;
    }
    if (!UsableFileName(name)) {
        TraceNumber(reporter, "Creating :Error #", static_cast<uint64_t>(EINVAL));
        result.error = EINVAL;
        return result;
    }

    // Written under a temporary name of its own, made exclusively, and
    // renamed to the file's name once complete.
    const std::string path = dir + "/" + name;
    std::string partial = path + ".partial-XXXXXX";
    const int out = ::mkostemp(partial.data(), O_CLOEXEC);
    if (out < 0) {
        TraceNumber(reporter, "Creating :Error #", static_cast<uint64_t>(errno));
        result.error = errno;
        return result;
    }
    ::fchmod(out, 0644);
    if (const std::optional<CopyFailure> failed =
            CopyFromMedium(ctx, *source.GetMedium(), start * sector, static_cast<uint32_t>(sector),
                           buffer.get(), chunk, out, result, reporter)) {
        TraceNumber(reporter, failed->label, static_cast<uint64_t>(failed->error));
        ::close(out);
        ::unlink(partial.c_str());
        result.error = failed->error;
        return result;
    }
    buffer.reset();
    int err = ::close(out) != 0 ? errno : 0;
    if (err == 0 && ::rename(partial.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        TraceNumber(reporter, "Writing :Error #", static_cast<uint64_t>(err));
        ::unlink(partial.c_str());
        result.error = err;
        return result;
    }
    result.path = path;
    result.saved = true;
    KeepOrTrim(result, measured, type, reporter);
    if (result.unreadableSectors > 0) {
        TraceNumber(reporter, "\tUnreadable sectors :", result.unreadableSectors);
    }
    Trace(reporter, "\t\tRecovered :", name);
    return result;
}

}  // namespace tvn
