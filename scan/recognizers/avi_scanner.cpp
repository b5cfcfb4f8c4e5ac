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

// The RIFF chunk size counts what follows its 8-byte header.
ULONGLONG CAVIScanner::GetFileSize() {
    const size_t p = GetOffset();
    if (!Has(p + 4, 4)) return 0;
    const std::span<const BYTE> b = Buf();
    const DWORD size = static_cast<DWORD>(b[p + 4]) | static_cast<DWORD>(b[p + 5]) << 8 |
                       static_cast<DWORD>(b[p + 6]) << 16 | static_cast<DWORD>(b[p + 7]) << 24;
    return ULONGLONG{size} + 8;
}

UINT CAVIScanner::GetNextFileNumber() {
    return HandOutThenAdd();
}

UINT CAVIScanner::ReleaseFileNumber() {
    return HandOutThenSubtract();
}

}  // namespace tvn
