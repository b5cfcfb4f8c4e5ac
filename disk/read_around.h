// Reading a failing medium. A read that fails is read again in smaller
// pieces, down to single sectors, so that only the sectors that really cannot
// be read are lost (they come back as zeros). A dying disk can take seconds for
// each failed read, so the re-reading is bounded twice: a block stops being
// re-read after a number of consecutive failed sectors (the rest of it is
// zeros), and a job spends at most a given time on re-reading altogether
// (after that a failed read is zeros at once, as a plain reader would give).
//
// A medium that has gone away (a card reader pulled out) fails every read for
// good. It is told from a bad area by the error (ENODEV, ENXIO, ENOMEDIUM,
// ENOTCONN, ESHUTDOWN), or, when a whole failed read yields nothing, by reading
// again a sector that was read before: a bad area leaves the rest of the
// medium readable, a vanished medium does not.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "app/types.h"
#include "disk/medium.h"

namespace tvn {

// A run of sectors of the medium that could not be read.
struct SectorRange {
    ULONGLONG first = 0;
    ULONGLONG count = 0;
    bool operator==(const SectorRange&) const = default;
};

struct ReadLimits {
    // Consecutive failed sectors after which the rest of a read is given up.
    uint32_t maxConsecutiveBad = 16;
    // Time one job spends on re-reading failed reads, altogether.
    std::chrono::milliseconds retryBudget{120'000};
};

// Whether an errno value means the medium is no longer there.
bool IsMediumGoneError(int error);

// What the readers of one job (the scan and its read-ahead thread, or a save)
// learn about the medium. Thread-safe.
class CReadHealth {
public:
    // Forgets everything; a new job begins.
    void Reset(ReadLimits limits = {});
    ReadLimits Limits() const;

    // Unreadable sectors, merged into ranges in medium order.
    void AddUnreadable(const std::vector<SectorRange>& ranges);
    uint64_t UnreadableSectors() const;
    std::vector<SectorRange> UnreadableRanges() const;

    bool MediumGone() const { return m_gone.load(std::memory_order_acquire); }
    void SetMediumGone() { m_gone.store(true, std::memory_order_release); }

    // A byte offset that was read without error, to tell a bad area from a
    // vanished medium.
    void NoteGoodOffset(uint64_t offset) {
        m_good.store(offset + 1, std::memory_order_relaxed);
    }
    bool GoodOffset(uint64_t& offset) const {
        const uint64_t g = m_good.load(std::memory_order_relaxed);
        offset = g - 1;
        return g != 0;
    }

    // The re-reading time left, and spending it.
    bool RetryTimeLeft() const;
    void SpendRetryTime(std::chrono::nanoseconds spent);

private:
    mutable std::mutex m_mutex;
    ReadLimits m_limits;
    std::vector<SectorRange> m_ranges;  // sorted, merged
    uint64_t m_unreadable = 0;
    std::atomic<bool> m_gone{false};
    std::atomic<uint64_t> m_good{0};  // good offset + 1; 0: none yet
    std::atomic<int64_t> m_spentNs{0};
};

// Reads n bytes at a byte offset into a buffer the way PreadFully does: the
// byte count (short only at the end of the data) or -1 with errno set.
using PieceReader = std::function<ssize_t(BYTE* into, size_t n, uint64_t offset)>;

struct ReadAroundResult {
    ssize_t got = 0;  // bytes that count as read (up to the end of the data), or -1
    bool failed = false;  // the first whole read failed: some re-reading happened
    uint64_t badSectors = 0;            // sectors of this read that are zeros
    std::vector<SectorRange> bad;       // the same as ranges
    bool gone = false;                  // the medium has gone away
};

// Reads n bytes at offset (a multiple of sectorSize) into buf. When the whole
// read fails, re-reads it in pieces as above; the failed sectors are zeros.
// cancelled, when given, is asked between pieces: a job being stopped does not
// wait for the re-reading of a block. Records nothing in health except the
// spent time, a good offset and the medium being gone; the caller adds the
// ranges where it counts them.
ReadAroundResult ReadAround(const PieceReader& read, BYTE* buf, size_t n, uint64_t offset,
                            uint32_t sectorSize, CReadHealth& health,
                            const std::function<bool()>& cancelled = {});

// A PieceReader over a descriptor (pread).
PieceReader PreadReader(int fd);

// Reads a medium for reading around: a block device is read past the page
// cache (the kernel reads a block device's cache a page at a time, so one bad
// sector would fail the seven good ones beside it), through the medium's
// direct reads and a page-aligned buffer of its own; anything else, a medium
// without direct reads, or a device that refuses them, is read the ordinary
// way. Every read goes through the medium, so a short read before its end
// tells that it is lost.
class CMediumReader {
public:
    // The medium must outlive the reader.
    explicit CMediumReader(const IMedium& medium);
    ~CMediumReader();
    CMediumReader(const CMediumReader&) = delete;
    CMediumReader& operator=(const CMediumReader&) = delete;
    ssize_t Read(BYTE* into, size_t n, uint64_t offset);
    PieceReader Reader() {
        return [this](BYTE* into, size_t n, uint64_t offset) { return Read(into, n, offset); };
    }

private:
    const IMedium& m_medium;
    bool m_direct = false;
    BYTE* m_bounce = nullptr;
    size_t m_bounceSize = 0;
};

}  // namespace tvn
