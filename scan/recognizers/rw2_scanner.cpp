#include "scan/recognizers/rw2_scanner.h"

#include "scan/recognizers/family_owner.h"

namespace tvn {

namespace {

bool Rw2Boundary(std::span<const BYTE> block, size_t q) {
    static constexpr BYTE kHeader[] = {'I', 'I', 'U', 0};
    return BlockMatch(block, q, kHeader, 4);
}

}  // namespace

CRW2Scanner::CRW2Scanner(CScanContext& ctx) : CWalkedScanner(ctx, FileType::RW2, {ctx.source.GetSectorSizeU(), 100, Rw2Boundary}) {}

bool CRW2Scanner::IsFileHeader() { return TiffFamilyTypeOf(Buf().subspan(GetOffset())) == FileType::RW2; }

}  // namespace tvn
