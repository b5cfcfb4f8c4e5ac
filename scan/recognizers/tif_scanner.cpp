#include "scan/recognizers/tif_scanner.h"

#include "scan/forward_search.h"
#include "scan/recognizers/family_owner.h"
#include "scan/recognizers/tiff_family.h"

namespace tvn {

// A plain TIFF: a TIFF header that is none of the camera raw files the other
// members take. Canon's "CR" at offset 8 and the maker texts "NIKO" and "SONY"
// at an offset from 1 to 1024 rule it out.
CTIFScanner::CTIFScanner(CScanContext& ctx) : CScanner(ctx, FileType::TIF) {}

bool CTIFScanner::IsFileHeader() {
    const size_t p = GetOffset();
    if (!IsTiffHeaderAt(Buf(), p) || Match(p + 8, "CR", 2)) return false;
    return !m_ctx.TextInWindow("NIKO", p + 1, p + 1024) &&
           !m_ctx.TextInWindow("SONY", p + 1, p + 1024) &&
           !LeftToOther(TiffFamilyTypeOf(Buf().subspan(p)));
}

ULONGLONG CTIFScanner::GetFileSize() {
    return Memoized([this] {
        return ForwardHeaderSearch(*this, {kTiffFamilyStep, 100, TiffBoundary});
    });
}

UINT CTIFScanner::GetNextFileNumber() { return AddThenHandOut(); }

}  // namespace tvn
