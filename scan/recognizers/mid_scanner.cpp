#include "scan/recognizers/mid_scanner.h"

#include "scan/forward_search.h"

namespace tvn {

namespace {

constexpr char kMThd[] = "MThd";
constexpr char kRiff[] = "RIFF";
constexpr size_t kRiffWindow = 512;  // how far into a RIFF file the MThd chunk is looked for

bool MidiBoundary(std::span<const BYTE> block, size_t q) {
    return BlockMatch(block, q, kMThd, 4) || BlockMatch(block, q, kRiff, 4);
}

}  // namespace

CMIDScanner::CMIDScanner(CScanContext& ctx) : CScanner(ctx, FileType::MID) {
    ResetCounter(1);
}

bool CMIDScanner::IsFileHeader() {
    const size_t p = GetOffset();
    if (Match(p, kMThd, 4)) return true;
    if (!Match(p, kRiff, 4)) return false;
    // A RIFF MIDI file carries its MThd chunk inside the RIFF data.
    return m_ctx.TextInWindow({kMThd, 4}, p + 1, p + kRiffWindow);
}

// A MIDI file ends at the next 512-byte-aligned MThd or RIFF (a WAV or AVI
// start ends it too).
ULONGLONG CMIDScanner::GetFileSize() {
    return Memoized([this] { return ForwardHeaderSearch(*this, {512, 2, MidiBoundary}); });
}

UINT CMIDScanner::GetNextFileNumber() {
    return HandOutThenAdd();
}

UINT CMIDScanner::ReleaseFileNumber() {
    return HandOutThenSubtract();
}

}  // namespace tvn
