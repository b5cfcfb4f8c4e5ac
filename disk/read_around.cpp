#include "disk/read_around.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "disk/io.h"

namespace tvn {

namespace {

// The first pieces a failed read is split into; a failed piece is read again
// in eighths, a piece that reads well lets the next one be twice as long.
constexpr size_t kFirstPiece = 65536;

void AppendRange(std::vector<SectorRange>& ranges, ULONGLONG first, ULONGLONG count) {
    if (count == 0) return;
    if (!ranges.empty() && ranges.back().first + ranges.back().count == first) {
        ranges.back().count += count;
    } else {
        ranges.push_back({first, count});
    }
}

}  // namespace

bool IsMediumGoneError(int error) {
    return error == ENODEV || error == ENXIO || error == ENOMEDIUM || error == ENOTCONN ||
           error == ESHUTDOWN;
}

void CReadHealth::Reset(ReadLimits limits) {
    std::lock_guard lock(m_mutex);
    m_limits = limits;
    m_ranges.clear();
    m_unreadable = 0;
    m_gone.store(false);
    m_good.store(0);
    m_spentNs.store(0);
}

ReadLimits CReadHealth::Limits() const {
    std::lock_guard lock(m_mutex);
    return m_limits;
}

void CReadHealth::AddUnreadable(const std::vector<SectorRange>& ranges) {
    std::lock_guard lock(m_mutex);
    for (const SectorRange& r : ranges) {
        if (r.count == 0) continue;
        // Ranges mostly come in medium order; keep the list sorted and merged
        // and count each sector once, however often it was read.
        auto it = std::lower_bound(
            m_ranges.begin(), m_ranges.end(), r,
            [](const SectorRange& a, const SectorRange& b) { return a.first < b.first; });
        if (it != m_ranges.begin()) --it;
        ULONGLONG first = r.first;
        ULONGLONG end = r.first + r.count;
        // Merge every range that touches [first, end).
        auto from = it;
        while (from != m_ranges.end() && from->first + from->count < first) ++from;
        auto to = from;
        while (to != m_ranges.end() && to->first <= end) {
            m_unreadable -= to->count;
            first = std::min(first, to->first);
            end = std::max(end, to->first + to->count);
            ++to;
        }
        from = m_ranges.erase(from, to);
        m_ranges.insert(from, SectorRange{first, end - first});
        m_unreadable += end - first;
    }
}

uint64_t CReadHealth::UnreadableSectors() const {
    std::lock_guard lock(m_mutex);
    return m_unreadable;
}

std::vector<SectorRange> CReadHealth::UnreadableRanges() const {
    std::lock_guard lock(m_mutex);
    return m_ranges;
}

bool CReadHealth::RetryTimeLeft() const {
    const auto budget = std::chrono::nanoseconds(Limits().retryBudget).count();
    return m_spentNs.load(std::memory_order_relaxed) < budget;
}

void CReadHealth::SpendRetryTime(std::chrono::nanoseconds spent) {
    m_spentNs.fetch_add(spent.count(), std::memory_order_relaxed);
}

PieceReader PreadReader(int fd) {
    return [fd](BYTE* into, size_t n, uint64_t offset) { return PreadFully(fd, into, n, offset); };
}

CMediumReader::CMediumReader(const IMedium& medium)
    : m_medium(medium), m_direct(medium.CanReadDirect()) {}

CMediumReader::~CMediumReader() { std::free(m_bounce); }

ssize_t CMediumReader::Read(BYTE* into, size_t n, uint64_t offset) {
    if (m_direct && offset % 512 == 0 && n % 512 == 0) {
        if (m_bounceSize < n) {
            std::free(m_bounce);
            m_bounceSize = 0;
            m_bounce = static_cast<BYTE*>(std::aligned_alloc(4096, (n + 4095) / 4096 * 4096));
            if (m_bounce != nullptr) m_bounceSize = n;
        }
        if (m_bounce != nullptr) {
            const ssize_t got = m_medium.ReadDirectAt(m_bounce, n, offset);
            if (got > 0) std::memcpy(into, m_bounce, static_cast<size_t>(got));
            if (got >= 0 || errno != EINVAL) return got;
            // Not for direct reads after all: the ordinary way from now on.
            m_direct = false;
        }
    }
    return m_medium.ReadAt(into, n, offset);
}

namespace {

// What one failed read comes to when it is read again in pieces.
struct Reread {
    size_t end = 0;        // where the data ends (n unless the medium ends first)
    bool anyGood = false;  // some piece read well
};

// Reads buf[0, n) again in pieces: a failed piece in eighths down to single
// sectors, a piece that reads well lets the next one grow again. Unreadable
// sectors become zeros and are noted in result; the reading gives up (the
// rest zeros) at the limits, when cancelled, or when the medium has gone.
Reread RereadInPieces(const PieceReader& read, BYTE* buf, size_t n, uint64_t offset, size_t S,
                      CReadHealth& health, const std::function<bool()>& cancelled,
                      ReadAroundResult& result) {
    const auto sectorOf = [S](uint64_t byte) { return static_cast<ULONGLONG>(byte / S); };
    const auto giveUp = [&](size_t from) {
        // The rest of the read is zeros and counts as unreadable.
        std::memset(buf + from, 0, n - from);
        const ULONGLONG first = sectorOf(offset + from);
        const ULONGLONG end = sectorOf(offset + n + S - 1);
        AppendRange(result.bad, first, end - first);
        result.badSectors += end - first;
    };
    const ReadLimits limits = health.Limits();
    const auto began = std::chrono::steady_clock::now();
    Reread r;
    r.end = n;
    size_t pos = 0;
    size_t piece = std::max(S, std::min(kFirstPiece, n) / S * S);
    uint32_t consecutive = 0;
    while (pos < r.end) {
        const bool outOfTime = !health.RetryTimeLeft() ||
                               std::chrono::steady_clock::now() - began >
                                   std::chrono::nanoseconds(limits.retryBudget);
        if (outOfTime || consecutive >= limits.maxConsecutiveBad ||
            (cancelled && cancelled())) {
            giveUp(pos);
            break;
        }
        const size_t len = std::min(piece, r.end - pos);
        const ssize_t got = read(buf + pos, len, offset + pos);
        if (got >= 0) {
            const auto g = static_cast<size_t>(got);
            if (g > 0) {
                r.anyGood = true;
                health.NoteGoodOffset(offset + pos);
            }
            consecutive = 0;
            if (g < len) {
                // The end of the data: the rest is zeros, not unreadable.
                std::memset(buf + pos + g, 0, n - pos - g);
                r.end = pos + g;
                break;
            }
            pos += g;
            piece = std::min(piece * 2, kFirstPiece);
            continue;
        }
        if (IsMediumGoneError(errno)) {
            health.SetMediumGone();
            result.gone = true;
            giveUp(pos);
            break;
        }
        if (len > S) {
            piece = std::max(S, len / 8 / S * S);
            continue;
        }
        // One sector that cannot be read.
        std::memset(buf + pos, 0, len);
        AppendRange(result.bad, sectorOf(offset + pos), 1);
        ++result.badSectors;
        ++consecutive;
        pos += len;
    }
    health.SpendRetryTime(std::chrono::steady_clock::now() - began);
    return r;
}

// Nothing of a read could be read: a bad area, or the medium has gone. A
// sector that was read before tells which (a bad area leaves the rest of the
// medium readable).
bool GoneSinceGoodRead(const PieceReader& read, size_t S, CReadHealth& health) {
    uint64_t good = 0;
    if (!health.GoodOffset(good)) return false;
    // Aligned, so that a reader past the page cache can take it.
    const size_t room = (S + 4095) / 4096 * 4096;
    std::unique_ptr<BYTE, decltype(&std::free)> probe(
        static_cast<BYTE*>(std::aligned_alloc(4096, room)), &std::free);
    return probe && read(probe.get(), S, good) < 0;
}

}  // namespace

ReadAroundResult ReadAround(const PieceReader& read, BYTE* buf, size_t n, uint64_t offset,
                            uint32_t sectorSize, CReadHealth& health,
                            const std::function<bool()>& cancelled) {
    ReadAroundResult result;
    const size_t S = sectorSize != 0 ? sectorSize : 512;
    if (health.MediumGone()) {
        std::memset(buf, 0, n);
        result.got = -1;
        result.gone = true;
        return result;
    }
    const ssize_t whole = read(buf, n, offset);
    if (whole >= 0) {
        if (whole > 0) health.NoteGoodOffset(offset);
        result.got = whole;
        if (static_cast<size_t>(whole) < n) std::memset(buf + whole, 0, n - static_cast<size_t>(whole));
        return result;
    }
    result.failed = true;
    if (IsMediumGoneError(errno)) {
        health.SetMediumGone();
        std::memset(buf, 0, n);
        result.got = -1;
        result.gone = true;
        return result;
    }
    const Reread r = RereadInPieces(read, buf, n, offset, S, health, cancelled, result);
    if (!r.anyGood && !result.gone && GoneSinceGoodRead(read, S, health)) {
        health.SetMediumGone();
        result.gone = true;
    }
    result.got = result.gone ? -1 : static_cast<ssize_t>(r.end);
    return result;
}

}  // namespace tvn
