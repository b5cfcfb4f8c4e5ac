#include "scan/recognizers/heic_scanner.h"

#include "scan/recognizers/family_owner.h"

namespace tvn {

namespace {

bool FtypBoundary(std::span<const BYTE> block, size_t q) { return BlockMatch(block, q + 4, "ftyp", 4); }

}  // namespace

CHEICScanner::CHEICScanner(CScanContext& ctx) : CWalkedScanner(ctx, FileType::HEIC, {ctx.source.GetSectorSizeU(), 100, FtypBoundary}) {}

bool CHEICScanner::IsFileHeader() {
    const size_t p = GetOffset();
    return Match(p + 4, "ftyp", 4) && IsoMediaTypeOf(Buf().subspan(p)) == FileType::HEIC;
}

}  // namespace tvn
