#include "scan/recognizers/mpg_scanner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "scan/forward_search.h"
#include "scan/text_search.h"

namespace tvn {

namespace {

constexpr BYTE kStartPrefix[] = {0x00, 0x00, 0x01};
constexpr BYTE kPackHeader = 0xBA;
constexpr BYTE kSequenceHeader = 0xB3;
constexpr BYTE kSequenceHeaderCode[] = {0x00, 0x00, 0x01, 0xB3};
constexpr BYTE kSequenceEndCode[] = {0x00, 0x00, 0x01, 0xB7};
const std::string_view kEndCodeText{reinterpret_cast<const char*>(kSequenceEndCode),
                                    sizeof kSequenceEndCode};
constexpr char kMpegTv[] = "MPEGTV";
constexpr size_t kMpegTvWindow = 512;
constexpr size_t kPackSearchBytes = 8192;
constexpr ULONGLONG kStep = 512;
constexpr ULONGLONG kReloadLimit = 80;
constexpr ULONGLONG kNotFound = ~ULONGLONG{0};

// First position in [from, last] at which the sequence end code begins, or
// kNotFound. Positions count from the first byte of the shared buffer; the
// blocks after it are read as the search reaches them, and a code that
// straddles two blocks is found too.
ULONGLONG FindEndCode(std::span<const BYTE> block, CLookahead& ahead, ULONGLONG from,
                      ULONGLONG last) {
    constexpr size_t n = sizeof kSequenceEndCode;
    ULONGLONG start = 0;  // position of block[0]
    std::array<BYTE, 2 * (n - 1)> seam{};
    bool haveSeam = false;
    for (;;) {
        const ULONGLONG size = block.size();
        if (haveSeam) {
            // The last n-1 bytes of the block before and the first n-1 of this one.
            std::copy(block.begin(), block.begin() + (n - 1), seam.begin() + (n - 1));
            for (size_t k = 0; k < n - 1; ++k) {
                const ULONGLONG pos = start - (n - 1) + k;
                if (pos >= from && pos <= last &&
                    std::memcmp(seam.data() + k, kSequenceEndCode, n) == 0) {
                    return pos;
                }
            }
        }
        const ULONGLONG lo = std::max(from, start);
        const ULONGLONG hi = std::min(last, start + size - n);
        if (lo <= hi) {
            const BYTE* base = block.data() + (lo - start);
            const BYTE* hit = FindFirstText({base, hi - lo + n}, kEndCodeText);
            if (hit != nullptr) return lo + static_cast<ULONGLONG>(hit - base);
        }
        // Positions from start + size - (n-1) on need the next block.
        if (last + (n - 1) < start + size) return kNotFound;
        std::copy(block.end() - (n - 1), block.end(), seam.begin());
        haveSeam = true;
        start += size;
        block = ahead.Next();
        // Zeros to the end of the window hold no end code, nor does the seam
        // before them: the search ends as if it had read them all.
        if (ahead.PastEnd()) return kNotFound;
    }
}

}  // namespace

// The counter starts at 0 and is advanced before it is handed out, so the
// first stream of a scan is number 1.
CMPGScanner::CMPGScanner(CScanContext& ctx)
    : CScanner(ctx, FileType::MPG), m_mpegTvSlot(ctx.TextSlot({kMpegTv, sizeof kMpegTv - 1})) {
    ResetCounter(0);
}

bool CMPGScanner::IsFileHeader() {
    const size_t p = GetOffset();
    const std::span<const BYTE> b = Buf();
    if (Match(p, kStartPrefix, sizeof kStartPrefix) && Has(p, 4) &&
        (b[p + 3] == kPackHeader || b[p + 3] == kSequenceHeader) &&
        CurrentSector() > m_ullEndMark) {
        if (b[p + 3] == kSequenceHeader) return true;
        // A pack header: a sequence header must follow at an even distance;
        // when lengths are measured, at any distance (the packs before it
        // need not have even lengths).
        if (m_ctx.exactLengths) {
            const size_t n = std::min(kPackSearchBytes + sizeof kSequenceHeaderCode - 1,
                                      b.size() - p);
            return FindFirstText({b.data() + p, n},
                                 {reinterpret_cast<const char*>(kSequenceHeaderCode),
                                  sizeof kSequenceHeaderCode}) != nullptr;
        }
        for (size_t i = 0; i < kPackSearchBytes && i < b.size() - p; i += 2) {
            if (Match(p + i, kSequenceHeaderCode, sizeof kSequenceHeaderCode)) return true;
        }
        return false;
    }
    // Asked at every sector: the text by its slot.
    return m_ctx.TextInWindow(m_mpegTvSlot, p + 1, p + kMpegTvWindow);
}

ULONGLONG CMPGScanner::GetFileSize() {
    return Memoized([this] { return SearchEndCode(); });
}

// Steps through the stream 512 bytes at a time and looks for the sequence end
// code in the 512 byte positions after each step; the length is the distance
// to the last step before the end code, so the 512 bytes in which the code
// begins are not counted. Every position from p + 513 on is tested once, in
// order, up to the end of the 81st block (the shared buffer and 80 more).
ULONGLONG CMPGScanner::SearchEndCode() {
    CScanContext& ctx = Context();
    const ULONGLONG B = ctx.buffer.size();
    const ULONGLONG p = GetOffset();
    const ULONGLONG startSector = CurrentSector();
    try {
        CLookahead ahead(*this);
        SetSearching(true);
        const ULONGLONG windowEnd = (kReloadLimit + 1) * B;
        const ULONGLONG hit = FindEndCode(std::span<const BYTE>(ctx.buffer.data(), B), ahead,
                                          p + kStep + 1, windowEnd);
        const ULONGLONG length = hit == kNotFound ? windowEnd - p : (hit - p - 1) / kStep * kStep;
        SetSearching(false);
        // The end mark in the medium's own sectors.
        m_ullEndMark = startSector + length / SectorSize();
        return length;
    } catch (const std::bad_alloc&) {
        return ~ULONGLONG{0};
    }
}

UINT CMPGScanner::GetNextFileNumber() {
    return AddThenHandOut();
}

UINT CMPGScanner::ReleaseFileNumber() {
    return SubtractThenHandOut();
}

}  // namespace tvn
