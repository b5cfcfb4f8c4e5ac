#include "scan/recognizers/cr3_scanner.h"

#include "scan/recognizers/family_owner.h"

namespace tvn {

namespace {

bool FtypBoundary(std::span<const BYTE> block, size_t q) { return BlockMatch(block, q + 4, "ftyp", 4); }

}  // namespace

CCR3Scanner::CCR3Scanner(CScanContext& ctx) : CWalkedScanner(ctx, FileType::CR3, {ctx.source.GetSectorSizeU(), 100, FtypBoundary}) {}

bool CCR3Scanner::IsFileHeader() {
    const size_t p = GetOffset();
    return Match(p + 4, "ftyp", 4) && IsoMediaTypeOf(Buf().subspan(p)) == FileType::CR3;
}

}  // namespace tvn
