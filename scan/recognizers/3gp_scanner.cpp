#include "scan/recognizers/3gp_scanner.h"

#include "scan/recognizers/family_owner.h"

namespace tvn {

namespace {

bool FtypBoundary(std::span<const BYTE> block, size_t q) { return BlockMatch(block, q + 4, "ftyp", 4); }

}  // namespace

C3GPScanner::C3GPScanner(CScanContext& ctx) : CWalkedScanner(ctx, FileType::ThreeGP, {ctx.source.GetSectorSizeU(), 100, FtypBoundary}) {}

bool C3GPScanner::IsFileHeader() {
    const size_t p = GetOffset();
    return Match(p + 4, "ftyp", 4) && IsoMediaTypeOf(Buf().subspan(p)) == FileType::ThreeGP;
}

}  // namespace tvn
