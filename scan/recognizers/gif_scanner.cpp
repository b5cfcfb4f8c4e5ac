#include "scan/recognizers/gif_scanner.h"

#include "scan/forward_search.h"

namespace tvn {

namespace {

// "GIF8": the start of a GIF of either version. The version digits after it
// are not looked at.
constexpr BYTE kGif8[] = {0x47, 0x49, 0x46, 0x38};

bool GifBoundary(std::span<const BYTE> block, size_t q) {
    return BlockMatch(block, q, kGif8, 4);
}

}  // namespace

CGIFScanner::CGIFScanner(CScanContext& ctx) : CScanner(ctx, FileType::GIF) {
    ResetCounter(1);
}

bool CGIFScanner::IsFileHeader() {
    return Match(GetOffset(), kGif8, 4);
}

// The trailer byte (3B) is not looked for: a GIF runs up to the next GIF start.
ULONGLONG CGIFScanner::GetFileSize() {
    return Memoized([this] { return ForwardHeaderSearch(*this, {SectorSize(), 10, GifBoundary}); });
}

UINT CGIFScanner::GetNextFileNumber() {
    return HandOutThenAdd();
}

UINT CGIFScanner::ReleaseFileNumber() {
    return HandOutThenSubtract();
}

}  // namespace tvn
