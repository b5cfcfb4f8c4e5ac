#include "scan/recognizers/cr2_scanner.h"

#include "scan/forward_search.h"
#include "scan/recognizers/tiff_family.h"

namespace tvn {

// A Canon raw file of the second generation: a TIFF header with "CR" at
// offset 8 (the start of Canon's header extension).
CCR2Scanner::CCR2Scanner(CScanContext& ctx) : CScanner(ctx, FileType::CR2) {}

bool CCR2Scanner::IsFileHeader() {
    const size_t p = GetOffset();
    return IsTiffHeaderAt(Buf(), p) && Match(p + 8, "CR", 2);
}

ULONGLONG CCR2Scanner::GetFileSize() {
    return Memoized([this] {
        return ForwardHeaderSearch(*this, {kTiffFamilyStep, 50, Cr2Boundary});
    });
}

UINT CCR2Scanner::GetNextFileNumber() { return AddThenHandOut(); }

}  // namespace tvn
