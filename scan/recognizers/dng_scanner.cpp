#include "scan/recognizers/dng_scanner.h"

#include "scan/recognizers/family_owner.h"
#include "scan/recognizers/tiff_family.h"

namespace tvn {

CDNGScanner::CDNGScanner(CScanContext& ctx) : CWalkedScanner(ctx, FileType::DNG, {kTiffFamilyStep, 100, TiffBoundary}) {}

bool CDNGScanner::IsFileHeader() { return TiffFamilyTypeOf(Buf().subspan(GetOffset())) == FileType::DNG; }

}  // namespace tvn
