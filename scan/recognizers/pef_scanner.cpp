#include "scan/recognizers/pef_scanner.h"

#include "scan/recognizers/family_owner.h"
#include "scan/recognizers/tiff_family.h"

namespace tvn {

CPEFScanner::CPEFScanner(CScanContext& ctx) : CWalkedScanner(ctx, FileType::PEF, {kTiffFamilyStep, 100, TiffBoundary}) {}

bool CPEFScanner::IsFileHeader() { return TiffFamilyTypeOf(Buf().subspan(GetOffset())) == FileType::PEF; }

}  // namespace tvn
