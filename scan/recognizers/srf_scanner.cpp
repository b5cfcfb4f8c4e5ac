#include "scan/recognizers/srf_scanner.h"

#include "scan/forward_search.h"
#include "scan/recognizers/family_owner.h"
#include "scan/recognizers/tiff_family.h"

namespace tvn {

// A Sony raw file of the DSC-F828: a TIFF header and the model text
// "DSC-F828" at an offset from 1 to 1024.
CSRFScanner::CSRFScanner(CScanContext& ctx) : CScanner(ctx, FileType::SRF) { ResetCounter(1); }

bool CSRFScanner::IsFileHeader() {
    const size_t p = GetOffset();
    return IsTiffHeaderAt(Buf(), p) && m_ctx.TextInWindow("DSC-F828", p + 1, p + 1024) &&
           !LeftToOther(TiffFamilyTypeOf(Buf().subspan(p)));
}

ULONGLONG CSRFScanner::GetFileSize() {
    return Memoized([this] {
        return ForwardHeaderSearch(*this, {kTiffFamilyStep, 100, TiffBoundary});
    });
}

UINT CSRFScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CSRFScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
