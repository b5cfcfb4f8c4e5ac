#include "scan/recognizers/crw_scanner.h"

#include "scan/forward_search.h"

namespace tvn {

namespace {

// The CIFF file header of a Canon raw file: byte order "II", header length 26
// (little-endian 32-bit), "HEAPCCDR", version 1.2 (0x00010002).
constexpr BYTE kCiffHeader[] = {'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P',
                                'C', 'C', 'D', 'R', 0x02, 0x00, 0x01, 0x00};

// Another CIFF file begins at q: its signature at q+6.
bool CrwBoundary(std::span<const BYTE> block, size_t q) {
    return BlockMatch(block, q + 6, "HEAPCCDR", 8);
}

}  // namespace

CCRWScanner::CCRWScanner(CScanContext& ctx) : CScanner(ctx, FileType::CRW) {}

bool CCRWScanner::IsFileHeader() { return Match(GetOffset(), kCiffHeader, sizeof kCiffHeader); }

ULONGLONG CCRWScanner::GetFileSize() {
    return Memoized([this] { return ForwardHeaderSearch(*this, {512, 30, CrwBoundary}); });
}

UINT CCRWScanner::GetNextFileNumber() { return AddThenHandOut(); }

}  // namespace tvn
