#include "scan/recognizers/orf_scanner.h"

#include "scan/forward_search.h"
#include "scan/recognizers/tiff_family.h"

namespace tvn {

// An Olympus raw file opens with "IIRO" where a TIFF file has "II*\0"; the
// TIFF header itself is not required.
CORFScanner::CORFScanner(CScanContext& ctx) : CScanner(ctx, FileType::ORF) { ResetCounter(1); }

bool CORFScanner::IsFileHeader() { return OrfBoundary(Buf(), GetOffset()); }

ULONGLONG CORFScanner::GetFileSize() {
    return Memoized([this] {
        return ForwardHeaderSearch(*this, {kTiffFamilyStep, 50, OrfBoundary});
    });
}

UINT CORFScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CORFScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
