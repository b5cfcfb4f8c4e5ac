#include "output/preview_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "disk/io.h"
#include "output/repair.h"
#include "scan/type_table.h"

namespace tvn {

namespace {

// The copy is read and written in pieces of this size, so a stop is noticed
// soon and memory stays small whatever the file's size.
constexpr uint64_t kPiece = 1048576;

void ConsoleError(IReporter& reporter, std::string_view label, int code) {
    std::string line(label);
    line += std::to_string(code);
    line += '\n';
    reporter.Console(line);
}

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load(std::memory_order_relaxed);
}

// The length a RIFF file (WAV, AVI) gives in its header, 8 + the RIFF
// chunk's size, when the copy holds that much; 0 otherwise.
uint64_t RiffLength(int fd, uint64_t copyLength) {
    uint8_t h[8];
    if (::pread(fd, h, sizeof h, 0) != static_cast<ssize_t>(sizeof h) || std::memcmp(h, "RIFF", 4) != 0)
        return 0;
    const uint64_t size = uint64_t{h[4]} | uint64_t{h[5]} << 8 | uint64_t{h[6]} << 16 |
                          uint64_t{h[7]} << 24;
    return 8 + size <= copyLength ? 8 + size : 0;
}

// Players measure a RIFF file by its chunks: the bytes the copy carries past
// the file's end (the rest of its last sector) would leave its length
// unknown. They are overwritten with zeros, then cut off.
void TrimRiffCopy(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        const auto length = static_cast<uint64_t>(st.st_size);
        const uint64_t real = RiffLength(fd, length);
        if (real != 0 && real < length) {
            const std::vector<uint8_t> zeros(static_cast<size_t>(length - real), 0);
            // A cut that fails leaves the zeros in place: the copy plays the
            // same, only its length on disk is longer.
            if (::pwrite(fd, zeros.data(), zeros.size(), static_cast<off_t>(real)) ==
                    static_cast<ssize_t>(zeros.size()) &&
                ::ftruncate(fd, static_cast<off_t>(real)) != 0) {
            }
        }
    }
    ::close(fd);
}

}  // namespace

PreviewViewer ViewerForType(std::string_view type) {
    static constexpr std::string_view kImages[] = {"BMP", "PNG", "GIF", "JPG", "CRW", "TIF",
                                                   "CR2", "SR2", "SRF", "ORF", "MRW", "NEF",
                                                   "CR3", "ARW", "RAF", "RW2", "DNG", "PEF",
                                                   "NRW", "HEIC"};
    for (std::string_view t : kImages)
        if (type == t) return PreviewViewer::Image;
    if (type == "WAV" || type == "MP3" || type == "MPG" || type == "MP4" || type == "MOV" ||
        type == "MTS" || type == "TS" || type == "3GP")
        return PreviewViewer::Media;
    if (type == "AVI") return PreviewViewer::Avi;
    if (type == "MID") return PreviewViewer::Midi;
    return PreviewViewer::None;
}

PreviewRequest CheckPreviewRequest(std::string_view type, uint64_t size, bool fromMenu) {
    if (ViewerForType(type) == PreviewViewer::None) return PreviewRequest::NotAvailable;
    const uint64_t limit = fromMenu ? kPreviewMenuLimit : kPreviewDoubleClickLimit;
    return size <= limit ? PreviewRequest::Open : PreviewRequest::TooLarge;
}

CPrivateDir* EnsurePreviewDir(const OutputContext& ctx, IReporter& reporter) {
    // A folder that has gone meanwhile (a cleaner of temporary files) or is
    // no longer ours is replaced.
    struct stat st {};
    if (ctx.previewDir && ctx.previewDir->IsValid() &&
        (::lstat(ctx.previewDir->Path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
         st.st_uid != ::geteuid() || (st.st_mode & 077) != 0))
        ctx.previewDir.reset();
    if (!ctx.previewDir || !ctx.previewDir->IsValid()) {
        ctx.previewDir = std::make_unique<CPrivateDir>("TVNTEMP");
        if (!ctx.previewDir->IsValid()) {
            reporter.Console("Preview folder: " + ctx.previewDir->Error() + "\n");
            reporter.Message("Cannot create a private folder for the preview in " +
                                 CPrivateDir::BaseDirectory(),
                             "Error", MsgIcon::Error);
            ctx.previewDir.reset();
            return nullptr;
        }
    }
    return ctx.previewDir.get();
}

uint64_t PreviewReadLength(uint64_t size, uint64_t sectorSize) {
    if (sectorSize == 0) sectorSize = 512;
    const uint64_t whole = size - size % sectorSize;
    return whole <= std::numeric_limits<uint64_t>::max() - sectorSize ? whole + sectorSize : whole;
}

PreviewCopy ExtractPreviewCopy(const OutputContext& ctx, const CFileNode& node, IReporter& reporter,
                               const std::atomic<bool>* stop) {
    PreviewCopy copy;
    if (!ctx.source.diskSource || !ctx.source.diskSource->GetMedium()) {
        reporter.Message("Invalid Handle", "", MsgIcon::None);
        return copy;
    }
    if (node.GetSize() >= kPreviewSkipFrom) return copy;
    if (!ctx.previewDir || !ctx.previewDir->IsValid()) return copy;
    const std::string path = ctx.previewDir->FilePath(node.GetName());
    if (path.empty()) {
        ConsoleError(reporter, "Creating :Error #", EINVAL);
        return copy;
    }
    const CDiskSource& source = *ctx.source.diskSource;
    const uint64_t sector = source.GetSectorSizeU() != 0 ? source.GetSectorSizeU() : 512;
    const uint64_t length = PreviewReadLength(node.GetSize(), sector);
    const uint64_t start = node.GetStartSector();
    const bool startFits = start <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) /
                                         sector;

    // A copy left from an earlier preview of the same file (a player's copy
    // stays until the player closes) is replaced. The folder is ours alone,
    // so removing the name and creating it exclusively cannot be raced.
    ::unlink(path.c_str());
    const int out =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        ConsoleError(reporter, "Creating :Error #", errno);
        return copy;
    }

    std::vector<uint8_t> piece(static_cast<size_t>(std::min(length, kPiece)));
    bool readOk = startFits;
    if (!startFits) ConsoleError(reporter, "Reading :Error #", EOVERFLOW);
    bool writeOk = true;
    int writeErr = 0;
    for (uint64_t done = 0; done < length && writeOk; done += piece.size()) {
        if (Stopped(stop)) break;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kPiece, length - done));
        std::memset(piece.data(), 0, n);
        if (readOk) {
            const ssize_t got = source.GetMedium()->ReadAt(piece.data(), n, start * sector + done);
            if (got < 0 || static_cast<size_t>(got) < n) {
                // What could not be read stays zero, as does everything after
                // it: the medium's end or an error ends the reading.
                if (got < 0 || done + static_cast<uint64_t>(got) < node.GetSize())
                    ConsoleError(reporter, "Reading :Error #", got < 0 ? errno : ENXIO);
                readOk = false;
            }
        }
        if (!WriteFully(out, piece.data(), n)) {
            writeErr = errno;
            writeOk = false;
        }
    }
    if (::close(out) != 0 && writeOk) {
        writeErr = errno;
        writeOk = false;
    }
    if (!writeOk) ConsoleError(reporter, "Writing :Error #", writeErr);
    if (Stopped(stop)) {
        WipeFile(path);
        return copy;
    }

    const TypeFacts* facts =
        node.GetParent() != nullptr ? FindFolderType(node.GetParent()->GetName()) : nullptr;
    if (facts != nullptr && facts->previewRepaired) {
        if (const auto kind = RepairKindForType(facts->name)) RepairFile(*kind, path, reporter);
    } else if (facts != nullptr && (facts->name == "WAV" || facts->name == "AVI")) {
        TrimRiffCopy(path);
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return copy;
    copy.path = path;
    copy.length = static_cast<uint64_t>(st.st_size);
    copy.complete = readOk && writeOk;
    return copy;
}

bool WipeFile(const std::string& path) {
    bool ok = false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            static const std::vector<uint8_t> zeros(65536, 0);
            const uint64_t size = static_cast<uint64_t>(st.st_size);
            ok = true;
            for (uint64_t done = 0; done < size && ok;) {
                const uint64_t n = std::min<uint64_t>(zeros.size(), size - done);
                ok = WriteFully(fd, zeros.data(), n);  // from offset 0 on
                done += n;
            }
            ok = ::fdatasync(fd) == 0 && ok;
        }
        ok = ::close(fd) == 0 && ok;
    }
    ::unlink(path.c_str());
    return ok;
}

}  // namespace tvn
