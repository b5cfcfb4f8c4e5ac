#include "scan/recognizers/mov_scanner.h"

#include "scan/forward_search.h"
#include "scan/recognizers/family_owner.h"

namespace tvn {

namespace {

// The atom types a movie may open with, in the order they are tested. An
// "ftyp" atom counts only with the QuickTime brand "qt".
constexpr const char* kFirstAtoms[] = {"mdat", "skip", "wide", "pnot", "moov"};

// The next QuickTime file: an "ftyp" atom with a brand beginning "qt".
bool MovBoundary(std::span<const BYTE> block, size_t q) {
    return BlockMatch(block, q + 4, "ftypqt", 6);
}

}  // namespace

// The counter starts at 0 and is advanced before it is handed out, so the
// first movie of a scan is number 1.
CMOVScanner::CMOVScanner(CScanContext& ctx) : CScanner(ctx, FileType::MOV) {
    ResetCounter(0);
}

bool CMOVScanner::IsFileHeader() {
    const size_t p = GetOffset();
    bool movie = false;
    for (const char* atom : kFirstAtoms) {
        if (Match(p + 4, atom, 4)) movie = true;
    }
    if (!movie) movie = Match(p + 4, "ftyp", 4) && Match(p + 8, "qt", 2);
    return movie && !LeftToOther(IsoMediaTypeOf(Buf().subspan(p)));
}

bool CMOVScanner::CanStartWith(BYTE b) const {
    for (const char* atom : kFirstAtoms) {
        if (b == static_cast<BYTE>(atom[0])) return true;
    }
    return b == 'f';
}

ULONGLONG CMOVScanner::GetFileSize() {
    return Memoized([this] {
        return ForwardHeaderSearch(*this, {SectorSize(), 100, MovBoundary});
    });
}

UINT CMOVScanner::GetNextFileNumber() {
    return AddThenHandOut();
}

UINT CMOVScanner::ReleaseFileNumber() {
    return HandOutThenSubtract();
}

}  // namespace tvn
