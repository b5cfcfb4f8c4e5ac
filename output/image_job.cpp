#include "output/image_job.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "disk/disk_source.h"
#include "disk/on_source.h"
#include "disk/read_around.h"

namespace tvn {

namespace {
constexpr uint64_t kFirstSkip = 64 << 10;
constexpr uint64_t kLargestSkip = 1ull << 30;
// Trimming reads the good side of a failed block's edge this much at a time.
constexpr uint64_t kTrimChunk = 64 << 10;
constexpr const char* kMapHeader = "tarvolin-cli image";

std::string SystemText(int error) {
    std::string why;
    CDiskSource::GetErrorText(why, error);
    return why;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}
}  // namespace

std::string DefaultMapPath(const std::string& image) { return image + ".map"; }

// --- the medium as the copy reads it ---

CDiskSourceMedium::CDiskSourceMedium(const CDiskSource& source)
    : m_medium(source.GetMedium()), m_reader(std::make_unique<CMediumReader>(*m_medium)) {
    // The size and sector size the medium states, not the source's probe:
    // on a dying card the probe's reads at sector 0 may fail, and the copy
    // must cover every byte whatever the first sectors hold.
    m_size = m_medium->Size();
    const uint32_t stated = m_medium->StatedSectorSize();
    if (stated >= 512 && stated <= 65536) m_sectorSize = stated;
    if (m_size == 0) m_size = source.GetTotalSectors() * source.GetSectorSizeU();
}

CDiskSourceMedium::~CDiskSourceMedium() = default;

ssize_t CDiskSourceMedium::ReadAt(BYTE* buf, size_t n, uint64_t offset) {
    return m_reader->Read(buf, n, offset);
}

// --- the job ---

CImageJob::CImageJob(IRescueMedium& medium, ImageOptions options, CJobControl& control,
                     ProgressFn progress)
    : m_medium(medium), m_options(std::move(options)), m_control(control),
      m_progress(std::move(progress)) {
    if (m_options.map.empty()) m_options.map = DefaultMapPath(m_options.image);
    const uint32_t s = m_medium.SectorSize();
    m_options.blockSize = std::max<size_t>(s, m_options.blockSize / s * s);
    m_options.retries = std::max(0, m_options.retries);
}

CImageJob::~CImageJob() {
    if (m_image >= 0) ::close(m_image);
    std::free(m_buffer);
}

ImageOutcome CImageJob::Prepare() {
    ImageOutcome refused;
    refused.result = ImageResult::Refused;
    const uint64_t size = m_medium.Size();
    if (size == 0) {
        refused.message = "The medium has no sectors to copy.";
        return refused;
    }
    // Neither the image nor its map may lie on the medium being copied.
    for (const std::string* path : {&m_options.image, &m_options.map}) {
        std::string why;
        if (IsDestinationOnSource(*path, m_options.sourcePath, why)) {
            refused.message = fmt::format(
                "{} lies on the medium being copied ({}). Choose a place on another disk.",
                *path, why);
            return refused;
        }
    }
    if (m_options.image == m_options.map) {
        refused.message = "The image and its map must be two files.";
        return refused;
    }

    struct stat st {};
    const bool mapExists = ::stat(m_options.map.c_str(), &st) == 0;
    const bool imageExists = ::stat(m_options.image.c_str(), &st) == 0;
    if (imageExists && !S_ISREG(st.st_mode)) {
        refused.message = fmt::format("{} is not a regular file.", m_options.image);
        return refused;
    }
    if (mapExists) {
        std::string error;
        auto map = LoadRescueMap(m_options.map, error);
        if (!map) {
            refused.message = fmt::format("The map {} cannot be used: {}.", m_options.map, error);
            return refused;
        }
        if (map->Size() != size) {
            refused.message = fmt::format(
                "The map {} is of a medium of {} bytes; this medium has {} bytes.",
                m_options.map, map->Size(), size);
            return refused;
        }
        if (!imageExists) {
            refused.message = fmt::format(
                "The map {} belongs to an image that is not there ({}).", m_options.map,
                m_options.image);
            return refused;
        }
        m_map = std::move(*map);
    } else {
        // Without a map nothing tells which bytes of an existing file were
        // copied; it is not overwritten.
        if (imageExists && st.st_size > 0) {
            refused.message = fmt::format(
                "{} exists and has no map; give its map with --map, or choose a new name.",
                m_options.image);
            return refused;
        }
        m_map = CRescueMap(size);
    }

    m_image = ::open(m_options.image.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (m_image < 0) {
        refused.error = errno;
        refused.message = fmt::format("Cannot open {}: {}", m_options.image, SystemText(errno));
        return refused;
    }
    m_buffer = static_cast<BYTE*>(std::aligned_alloc(4096, (m_options.blockSize + 4095) / 4096 * 4096));
    if (m_buffer == nullptr) throw std::bad_alloc();
    // The map is there before the image grows, so a copy killed at any
    // moment finds an image it may go on with (an empty one, or one with its
    // map) and never one it must refuse.
    if (!Checkpoint(true)) {
        refused.error = m_mapErrno;
        refused.message = fmt::format("Cannot write the map {}: {}", m_options.map,
                                      SystemText(m_mapErrno));
        return refused;
    }
    // The image takes the medium's size without a byte written: what is never
    // read stays zeros and takes no room.
    if (::fstat(m_image, &st) != 0 || static_cast<uint64_t>(st.st_size) < size) {
        if (::ftruncate(m_image, static_cast<off_t>(size)) != 0) {
            refused.error = errno;
            refused.message = fmt::format("Cannot make {} the medium's size: {}", m_options.image,
                                          SystemText(errno));
            return refused;
        }
    }
    refused.result = ImageResult::Completed;
    return refused;
}

ImageOutcome CImageJob::Run() {
    m_start = m_lastSave = m_lastReport = m_rateStart = Clock::now();
    m_lastGood = m_start;
    ImageOutcome prepared = Prepare();
    if (prepared.result == ImageResult::Refused) return prepared;

    ReadOutcome how = ReadOutcome::Good;
    auto step = [&](ReadOutcome (CImageJob::*fn)()) {
        if (how == ReadOutcome::Good || how == ReadOutcome::Bad) how = (this->*fn)();
    };
    step(&CImageJob::Copying);
    step(&CImageJob::Trimming);
    step(&CImageJob::Scraping);
    if (how == ReadOutcome::Good || how == ReadOutcome::Bad) m_beforeRetries = m_map;
    step(&CImageJob::Retrying);
    return Finish(how);
}

ImageOutcome CImageJob::Finish(ReadOutcome how) {
    ImageOutcome out;
    const bool passesDone = how == ReadOutcome::Good || how == ReadOutcome::Bad;
    if (passesDone) m_map.phase = RescuePhase::Finished;
    const bool saved = Checkpoint(true);
    Report(true);
    const uint64_t left = m_map.Size() - m_map.Bytes(RescueStatus::Finished);
    const std::string mapText = fmt::format("The map is {}.", m_options.map);
    if (!saved && how != ReadOutcome::WriteFailed) how = ReadOutcome::WriteFailed;
    switch (how) {
        case ReadOutcome::Good:
        case ReadOutcome::Bad:
            if (left == 0) {
                out.result = ImageResult::Completed;
                out.message = fmt::format("The whole medium was copied to {}.", m_options.image);
            } else {
                out.result = ImageResult::CompletedBad;
                out.message = fmt::format(
                    "The copy is done; {} bytes ({} sectors) in {} area(s) could not be read and "
                    "are zeros in {}. {} Run the same command again to retry them.",
                    left, left / m_medium.SectorSize(), m_map.NotFinished().size(),
                    m_options.image, mapText);
            }
            break;
        case ReadOutcome::Stopped:
            out.result = ImageResult::Stopped;
            out.message = fmt::format(
                "The copy was stopped; {} bytes are still to be read. {} Run the same command "
                "again to go on.",
                left, mapText);
            break;
        case ReadOutcome::Gone:
            out.result = ImageResult::MediumLost;
            out.message = fmt::format(
                "The medium went away during the copy; {} bytes are still to be read. "
                "Connect it again and run the same command to go on. {}",
                left, mapText);
            break;
        case ReadOutcome::WriteFailed: {
            out.result = ImageResult::DestinationFailed;
            out.error = m_writeErrno != 0 ? m_writeErrno : m_mapErrno;
            const std::string what = m_writeErrno != 0 ? m_options.image : m_options.map;
            out.message = fmt::format(
                "Cannot write {}: {}. The copy stopped; {} bytes are still to be read. Make room "
                "and run the same command again to go on.",
                what, SystemText(out.error), left);
            if (!saved) {
                out.message += fmt::format(" The map {} could not be brought up to date; it "
                                           "holds the copy as it was at its last save.",
                                           m_options.map);
            } else {
                out.message += " " + mapText;
            }
            break;
        }
    }
    return out;
}

bool CImageJob::Checkpoint(bool force) {
    const auto now = Clock::now();
    if (!force && now - m_lastSave < m_options.mapInterval) return true;
    m_lastSave = now;
    // The image first: the map must never claim bytes the disk does not hold.
    if (::fdatasync(m_image) != 0) {
        m_mapErrno = errno;
        if (m_writeErrno == 0) m_writeErrno = errno;
        return false;
    }
    if (!SaveRescueMap(m_options.map, m_map, kMapHeader)) {
        m_mapErrno = errno;
        return false;
    }
    return true;
}

void CImageJob::Report(bool force) {
    const auto now = Clock::now();
    if (!force && now - m_lastReport < m_options.progressInterval) return;
    m_lastReport = now;
    const double window = Seconds(now - m_rateStart);
    if (window >= 2.0 || force) {
        m_currentRate = window > 0 ? static_cast<double>(m_goodBytes - m_rateBytes) / window : 0;
        if (window >= 2.0) {
            m_rateStart = now;
            m_rateBytes = m_goodBytes;
        }
    }
    if (!m_progress) return;
    ImageProgress p;
    p.size = m_map.Size();
    p.rescued = m_map.Bytes(RescueStatus::Finished);
    p.nonTried = m_map.Bytes(RescueStatus::NonTried);
    p.pending = m_map.Bytes(RescueStatus::NonTrimmed) + m_map.Bytes(RescueStatus::NonScraped);
    p.badBytes = m_map.Bytes(RescueStatus::BadSector);
    for (const RescueBlock& b : m_map.NotFinished()) {
        // Runs that hold any tried bytes count as bad areas.
        bool tried = false;
        for (const RescueBlock* x = m_map.BlockAt(b.pos); x && x->pos < b.End();
             x = m_map.BlockAt(x->End())) {
            if (x->status != RescueStatus::NonTried) {
                tried = true;
                break;
            }
        }
        if (tried) ++p.badAreas;
    }
    p.position = m_map.currentPos;
    p.phase = m_map.phase;
    p.pass = m_map.pass;
    p.currentRate = m_currentRate;
    p.readRate = m_goodSeconds > 0 ? static_cast<double>(m_goodBytes) / m_goodSeconds : 0;
    p.sinceGoodRead = Seconds(now - m_lastGood);
    // The untried bytes at the speed of the good areas; the sectors still to
    // be tried one by one at what a failed sector cost so far. The current
    // rate is no guide: in a bad area it is nearly nothing.
    const uint64_t s = m_medium.SectorSize();
    const uint64_t sectorsLeft =
        p.pending / s + p.badBytes / s * static_cast<uint64_t>(m_options.retries);
    if (p.readRate > 0 || p.nonTried == 0) {
        double est = p.readRate > 0 ? static_cast<double>(p.nonTried) / p.readRate : 0;
        if (m_failedReads > 0) {
            est += static_cast<double>(sectorsLeft) * (m_failedSeconds / static_cast<double>(m_failedReads));
            p.estimateCountsBadAreas = true;
        } else {
            p.estimateCountsBadAreas = sectorsLeft == 0;
        }
        p.estimate = est;
    }
    m_progress(p);
}

bool CImageJob::MediumStillThere() {
    // A bad area leaves the rest of the medium readable; a pulled card does
    // not. The sector that read well last is read again.
    if (!m_goodOffset) return true;
    BYTE* probe = m_buffer;
    const ssize_t got = m_medium.ReadAt(probe, m_medium.SectorSize(), *m_goodOffset);
    return got > 0;
}

CImageJob::ReadOutcome CImageJob::CopyArea(uint64_t pos, uint64_t size, bool& slow) {
    slow = false;
    const auto t0 = Clock::now();
    const ssize_t got = m_medium.ReadAt(m_buffer, size, pos);
    const int err = errno;
    const double took = Seconds(Clock::now() - t0);
    if (got <= 0) {
        ++m_failedReads;
        m_failedSeconds += took;
        if (got < 0 && IsMediumGoneError(err)) return ReadOutcome::Gone;
        if (got == 0 || !MediumStillThere()) return ReadOutcome::Gone;
        return ReadOutcome::Bad;
    }
    const auto n = static_cast<uint64_t>(got);
    errno = 0;
    if (::pwrite(m_image, m_buffer, n, static_cast<off_t>(pos)) != got) {
        m_writeErrno = errno != 0 ? errno : ENOSPC;
        return ReadOutcome::WriteFailed;
    }
    m_map.Mark(pos, n, RescueStatus::Finished);
    m_goodBytes += n;
    m_goodSeconds += took;
    m_lastGood = Clock::now();
    m_goodOffset = pos;
    slow = took * 1000.0 > static_cast<double>(m_options.slowRead.count());
    if (n < size) return ReadOutcome::Gone;  // the medium ended early: it shrank
    return ReadOutcome::Good;
}

CImageJob::ReadOutcome CImageJob::ReadSector(uint64_t pos, RescueStatus onFailure) {
    const uint64_t s = std::min<uint64_t>(m_medium.SectorSize(), m_map.Size() - pos);
    bool slow = false;
    const ReadOutcome r = CopyArea(pos, s, slow);
    if (r == ReadOutcome::Bad) m_map.Mark(pos, s, onFailure);
    return r;
}

namespace {
// The first block with the status at or after pos (or, backward, the last
// one before end); nullopt when there is none.
std::optional<RescueBlock> NextBlock(const CRescueMap& map, RescueStatus status, uint64_t pos) {
    for (const RescueBlock* b = map.BlockAt(pos); b; b = map.BlockAt(b->End())) {
        if (b->status == status) {
            RescueBlock r = *b;
            if (r.pos < pos) {
                r.size -= pos - r.pos;
                r.pos = pos;
            }
            return r;
        }
    }
    return std::nullopt;
}

std::optional<RescueBlock> PreviousBlock(const CRescueMap& map, RescueStatus status, uint64_t end) {
    const auto& blocks = map.Blocks();
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
        if (it->pos >= end) continue;
        if (it->status == status) {
            RescueBlock r = *it;
            if (r.End() > end) r.size = end - r.pos;
            return r;
        }
    }
    return std::nullopt;
}
}  // namespace

// Pass 1: every untried area in large blocks, easy data first.
CImageJob::ReadOutcome CImageJob::Copying() {
    const uint64_t size = m_map.Size();
    const uint64_t largestSkip = std::max<uint64_t>(kFirstSkip, std::min(kLargestSkip, size / 100));
    const uint64_t s = m_medium.SectorSize();
    bool anyBad = false;
    // Sweep 1 skips ahead past failures and slow reads; sweep 2 reads what it
    // skipped, straight through.
    // A resumed copy goes on in the sweep and at the place its map names.
    if (m_map.phase != RescuePhase::Copying) return ReadOutcome::Good;
    const int firstSweep = std::clamp(m_map.pass, 1, 2);
    for (int sweep = firstSweep; sweep <= 2; ++sweep) {
        const bool skipping = sweep == 1;
        uint64_t skip = kFirstSkip;
        uint64_t pos = sweep == firstSweep ? m_map.currentPos : 0;
        while (auto b = NextBlock(m_map, RescueStatus::NonTried, pos)) {
            if (!m_control.Poll()) return ReadOutcome::Stopped;
            m_map.phase = RescuePhase::Copying;
            m_map.pass = sweep;
            // Blocks on multiples of the block size, so a resumed copy reads
            // the same blocks.
            const uint64_t bs = m_options.blockSize;
            const uint64_t end = std::min(b->End(), (b->pos / bs + 1) * bs);
            const uint64_t n = end - b->pos;
            m_map.currentPos = b->pos;
            bool slow = false;
            const ReadOutcome r = CopyArea(b->pos, n, slow);
            if (r == ReadOutcome::Gone || r == ReadOutcome::WriteFailed) return r;
            uint64_t next = end;
            if (r == ReadOutcome::Bad) {
                anyBad = true;
                m_map.Mark(b->pos, n, RescueStatus::NonTrimmed);
            }
            if (skipping && (r == ReadOutcome::Bad || slow)) {
                next = std::min(size, end + skip) / s * s;
                skip = std::min(skip * 2, largestSkip);
            } else if (r == ReadOutcome::Good) {
                skip = kFirstSkip;
            }
            m_map.currentPos = next;
            pos = next;
            if (!Checkpoint(false)) return ReadOutcome::WriteFailed;
            Report(false);
        }
        if (sweep < 2) {
            m_map.pass = sweep + 1;
            m_map.currentPos = 0;
        }
    }
    return anyBad ? ReadOutcome::Bad : ReadOutcome::Good;
}

// Pass 2, first half: the edges of every failed block, sector by sector from
// both sides, up to the first sector that fails; what lies between is left
// for scraping.
CImageJob::ReadOutcome CImageJob::Trimming() {
    const uint64_t s = m_medium.SectorSize();
    while (auto b = NextBlock(m_map, RescueStatus::NonTrimmed, 0)) {
        m_map.phase = RescuePhase::Trimming;
        m_map.pass = 1;
        uint64_t lo = b->pos;
        uint64_t hi = b->End();
        // From the leading edge forward: a good stretch is read a chunk at a
        // time, the chunk that fails sector by sector up to its first bad one.
        bool failed = false;
        while (lo < hi && !failed) {
            if (!m_control.Poll()) return ReadOutcome::Stopped;
            const uint64_t n = std::min(kTrimChunk, hi - lo);
            m_map.currentPos = lo;
            if (n > s) {
                bool slow = false;
                const ReadOutcome r = CopyArea(lo, n, slow);
                if (r == ReadOutcome::Good) {
                    lo += n;
                    if (!Checkpoint(false)) return ReadOutcome::WriteFailed;
                    Report(false);
                    continue;
                }
                if (r != ReadOutcome::Bad) return r;
            }
            for (const uint64_t end = lo + n; lo < end;) {
                if (!m_control.Poll()) return ReadOutcome::Stopped;
                m_map.currentPos = lo;
                const ReadOutcome r = ReadSector(lo, RescueStatus::BadSector);
                lo = std::min(lo + s, end);
                if (r == ReadOutcome::Bad) {
                    failed = true;
                    break;
                }
                if (r != ReadOutcome::Good) return r;
            }
            if (!Checkpoint(false)) return ReadOutcome::WriteFailed;
            Report(false);
        }
        // From the trailing edge backward, the same way.
        failed = false;
        while (hi > lo && !failed) {
            if (!m_control.Poll()) return ReadOutcome::Stopped;
            const uint64_t from = hi - lo > kTrimChunk ? (hi - kTrimChunk) / s * s : lo;
            m_map.currentPos = from;
            if (hi - from > s) {
                bool slow = false;
                const ReadOutcome r = CopyArea(from, hi - from, slow);
                if (r == ReadOutcome::Good) {
                    hi = from;
                    if (!Checkpoint(false)) return ReadOutcome::WriteFailed;
                    Report(false);
                    continue;
                }
                if (r != ReadOutcome::Bad) return r;
            }
            while (hi > from) {
                if (!m_control.Poll()) return ReadOutcome::Stopped;
                const uint64_t at = std::max(from, (hi - 1) / s * s);  // the last sector may be short
                m_map.currentPos = at;
                const ReadOutcome r = ReadSector(at, RescueStatus::BadSector);
                hi = at;
                if (r == ReadOutcome::Bad) {
                    failed = true;
                    break;
                }
                if (r != ReadOutcome::Good) return r;
            }
            if (!Checkpoint(false)) return ReadOutcome::WriteFailed;
            Report(false);
        }
        if (hi > lo) m_map.Mark(lo, hi - lo, RescueStatus::NonScraped);
        if (!Checkpoint(false)) return ReadOutcome::WriteFailed;
        Report(false);
    }
    return ReadOutcome::Good;
}

// Pass 2, second half: the inside of the trimmed areas, sector by sector.
CImageJob::ReadOutcome CImageJob::Scraping() {
    const uint64_t s = m_medium.SectorSize();
    while (auto b = NextBlock(m_map, RescueStatus::NonScraped, 0)) {
        m_map.phase = RescuePhase::Scraping;
        m_map.pass = 1;
        for (uint64_t p = b->pos; p < b->End(); p += s) {
            if (!m_control.Poll()) return ReadOutcome::Stopped;
            m_map.currentPos = p;
            const ReadOutcome r = ReadSector(p, RescueStatus::BadSector);
            if (r != ReadOutcome::Good && r != ReadOutcome::Bad) return r;
            if (!Checkpoint(false)) return ReadOutcome::WriteFailed;
            Report(false);
        }
    }
    return ReadOutcome::Good;
}

// Pass 3: the bad sectors again, retries times.
CImageJob::ReadOutcome CImageJob::Retrying() {
    const uint64_t s = m_medium.SectorSize();
    int first = 1;
    if (m_map.phase == RescuePhase::Retrying) first = std::max(1, m_map.pass);
    for (int pass = first; pass <= m_options.retries; ++pass) {
        m_map.phase = RescuePhase::Retrying;
        m_map.pass = pass;
        // A sector that fails again stays bad; the walk goes on past it.
        if (!m_options.reverse) {
            uint64_t pos = 0;
            while (auto b = NextBlock(m_map, RescueStatus::BadSector, pos)) {
                for (uint64_t p = b->pos; p < b->End(); p += s) {
                    if (!m_control.Poll()) return ReadOutcome::Stopped;
                    m_map.currentPos = p;
                    const ReadOutcome r = ReadSector(p, RescueStatus::BadSector);
                    if (r != ReadOutcome::Good && r != ReadOutcome::Bad) return r;
                    if (!Checkpoint(false)) return ReadOutcome::WriteFailed;
                    Report(false);
                }
                pos = b->End();
            }
        } else {
            uint64_t end = m_map.Size();
            while (auto b = PreviousBlock(m_map, RescueStatus::BadSector, end)) {
                for (uint64_t p = b->End(); p > b->pos;) {
                    if (!m_control.Poll()) return ReadOutcome::Stopped;
                    p = (p - 1) / s * s;
                    m_map.currentPos = p;
                    const ReadOutcome r = ReadSector(p, RescueStatus::BadSector);
                    if (r != ReadOutcome::Good && r != ReadOutcome::Bad) return r;
                    if (!Checkpoint(false)) return ReadOutcome::WriteFailed;
                    Report(false);
                }
                end = b->pos;
            }
        }
        // The next pass, should the copy stop here and go on later.
        if (pass < m_options.retries) {
            m_map.pass = pass + 1;
            m_map.currentPos = 0;
        }
    }
    return ReadOutcome::Good;
}

}  // namespace tvn
