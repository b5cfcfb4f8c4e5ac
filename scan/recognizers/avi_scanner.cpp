#include "scan/recognizers/avi_scanner.h"

namespace tvn {

CAVIScanner::CAVIScanner(CScanContext& ctx) : CScanner(ctx, FileType::AVI) {
    ResetCounter(1);
}

// The form type's fourth byte (a space in "AVI ", an X in the "AVIX"
// extension chunks) is not looked at.
bool CAVIScanner::IsFileHeader() {
    const size_t p = GetOffset();
    return Match(p, "RIFF", 4) && Match(p + 8, "AVI", 3);
}

// The whole RIFF chunk, its 8-byte header included.
ULONGLONG CAVIScanner::GetFileSize() { return RiffChunkLength(); }

UINT CAVIScanner::GetNextFileNumber() {
    return HandOutThenAdd();
}

UINT CAVIScanner::ReleaseFileNumber() {
    return HandOutThenSubtract();
}

}  // namespace tvn
