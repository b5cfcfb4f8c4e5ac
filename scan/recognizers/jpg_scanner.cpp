#include "scan/recognizers/jpg_scanner.h"

#include "scan/forward_search.h"

namespace tvn {

namespace {

// Another JPEG starts at q: FF D8 FF E0 (JFIF) or FF D8 FF E1 (Exif). A bare
// stream (FF D8 FF DB) is recognised but is no boundary.
bool JpegBoundary(std::span<const BYTE> block, size_t q) {
    static constexpr BYTE kJfif[] = {0xFF, 0xD8, 0xFF, 0xE0};
    static constexpr BYTE kExif[] = {0xFF, 0xD8, 0xFF, 0xE1};
    return BlockMatch(block, q, kJfif, 4) || BlockMatch(block, q, kExif, 4);
}

}  // namespace

CJPGScanner::CJPGScanner(CScanContext& ctx) : CScanner(ctx, FileType::JPG) { ResetCounter(1); }

bool CJPGScanner::IsFileHeader() {
    const size_t p = GetOffset();
    if (!Has(p, 4)) return false;
    const std::span<const BYTE> b = Buf();
    if (b[p] != 0xFF || b[p + 1] != 0xD8 || b[p + 2] != 0xFF) return false;
    return b[p + 3] == 0xE1 || b[p + 3] == 0xE0 || b[p + 3] == 0xDB;
}

ULONGLONG CJPGScanner::GetFileSize() {
    return Memoized([this] {
        return ForwardHeaderSearch(*this, {SectorSize(), 10, JpegBoundary});
    });
}

UINT CJPGScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CJPGScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
