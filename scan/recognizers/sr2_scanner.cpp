#include "scan/recognizers/sr2_scanner.h"

#include "scan/forward_search.h"
#include "scan/recognizers/family_owner.h"
#include "scan/recognizers/tiff_family.h"

namespace tvn {

// A Sony raw file of the DSC-R1: a TIFF header and the model text "DSC-R1" at
// an offset from 1 to 512.
CSR2Scanner::CSR2Scanner(CScanContext& ctx) : CScanner(ctx, FileType::SR2) { ResetCounter(1); }

bool CSR2Scanner::IsFileHeader() {
    const size_t p = GetOffset();
    return IsTiffHeaderAt(Buf(), p) && m_ctx.TextInWindow("DSC-R1", p + 1, p + 512) &&
           !LeftToOther(TiffFamilyTypeOf(Buf().subspan(p)));
}

ULONGLONG CSR2Scanner::GetFileSize() {
    return Memoized([this] {
        return ForwardHeaderSearch(*this, {kTiffFamilyStep, 100, TiffBoundary});
    });
}

UINT CSR2Scanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CSR2Scanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
