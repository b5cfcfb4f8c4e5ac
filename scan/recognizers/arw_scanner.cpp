#include "scan/recognizers/arw_scanner.h"

#include "scan/recognizers/family_owner.h"
#include "scan/recognizers/tiff_family.h"

namespace tvn {

CARWScanner::CARWScanner(CScanContext& ctx) : CWalkedScanner(ctx, FileType::ARW, {kTiffFamilyStep, 100, TiffBoundary}) {}

bool CARWScanner::IsFileHeader() { return TiffFamilyTypeOf(Buf().subspan(GetOffset())) == FileType::ARW; }

}  // namespace tvn
