#include "scan/recognizers/nrw_scanner.h"

#include "scan/recognizers/family_owner.h"
#include "scan/recognizers/tiff_family.h"

namespace tvn {

CNRWScanner::CNRWScanner(CScanContext& ctx) : CWalkedScanner(ctx, FileType::NRW, {kTiffFamilyStep, 100, TiffBoundary}) {}

bool CNRWScanner::IsFileHeader() { return TiffFamilyTypeOf(Buf().subspan(GetOffset())) == FileType::NRW; }

}  // namespace tvn
