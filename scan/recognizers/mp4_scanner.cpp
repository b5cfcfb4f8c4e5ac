#include "scan/recognizers/mp4_scanner.h"

#include "scan/forward_search.h"
#include "scan/recognizers/family_owner.h"

namespace tvn {

namespace {

bool Mp4Boundary(std::span<const BYTE> block, size_t q) {
    return BlockMatch(block, q + 4, "ftyp", 4);
}

}  // namespace

// The counter starts at 0 and is advanced before it is handed out, so the
// first file of a scan is number 1.
CMP4Scanner::CMP4Scanner(CScanContext& ctx) : CScanner(ctx, FileType::MP4) {
    ResetCounter(0);
}

// Any brand, unless the brand names another member of the family whose
// recognizer is in the list (a QuickTime movie, a CR3, a HEIC, a 3GP).
bool CMP4Scanner::IsFileHeader() {
    return Match(GetOffset() + 4, "ftyp", 4) && !LeftToOther(IsoMediaTypeOf(Buf().subspan(GetOffset())));
}

ULONGLONG CMP4Scanner::GetFileSize() {
    return Memoized([this] { return ForwardHeaderSearch(*this, {SectorSize(), 10, Mp4Boundary}); });
}

UINT CMP4Scanner::GetNextFileNumber() {
    return AddThenHandOut();
}

// Stepping back is not done for MP4: the number handed out is 0 and the
// counter stays.
UINT CMP4Scanner::ReleaseFileNumber() {
    return 0;
}

}  // namespace tvn
