#include "scan/recognizers/raf_scanner.h"

namespace tvn {

namespace {

constexpr char kRafMagic[] = "FUJIFILMCCD-RAW ";

bool RafBoundary(std::span<const BYTE> block, size_t q) { return BlockMatch(block, q, kRafMagic, 16); }

}  // namespace

CRAFScanner::CRAFScanner(CScanContext& ctx)
    : CWalkedScanner(ctx, FileType::RAF, {ctx.source.GetSectorSizeU(), 100, RafBoundary}) {}

bool CRAFScanner::IsFileHeader() { return Match(GetOffset(), kRafMagic, 16); }

}  // namespace tvn
