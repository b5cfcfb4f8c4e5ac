#include "scan/recognizers/nef_scanner.h"

#include "scan/forward_search.h"
#include "scan/recognizers/family_owner.h"
#include "scan/recognizers/tiff_family.h"

namespace tvn {

// A Nikon raw file: a TIFF header and "NIKON" (the start of the Make string)
// at an offset from 1 to 1024.
CNEFScanner::CNEFScanner(CScanContext& ctx) : CScanner(ctx, FileType::NEF) { ResetCounter(1); }

bool CNEFScanner::IsFileHeader() {
    const size_t p = GetOffset();
    return IsTiffHeaderAt(Buf(), p) && m_ctx.TextInWindow("NIKON", p + 1, p + 1024) &&
           !LeftToOther(TiffFamilyTypeOf(Buf().subspan(p)));
}

ULONGLONG CNEFScanner::GetFileSize() {
    return Memoized([this] {
        return ForwardHeaderSearch(*this, {kTiffFamilyStep, 100, TiffBoundary});
    });
}

UINT CNEFScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CNEFScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
