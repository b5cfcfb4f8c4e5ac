#include "scan/recognizers/wav_scanner.h"

namespace tvn {

CWAVScanner::CWAVScanner(CScanContext& ctx) : CScanner(ctx, FileType::WAV) {
    ResetCounter(1);
}

bool CWAVScanner::IsFileHeader() {
    const size_t p = GetOffset();
    return Match(p, "RIFF", 4) && Match(p + 8, "WAVE", 4);
}

// The RIFF chunk size counts what follows its 8-byte header.
ULONGLONG CWAVScanner::GetFileSize() {
    const size_t p = GetOffset();
    if (!Has(p + 4, 4)) return 0;
    const std::span<const BYTE> b = Buf();
    const DWORD size = static_cast<DWORD>(b[p + 4]) | static_cast<DWORD>(b[p + 5]) << 8 |
                       static_cast<DWORD>(b[p + 6]) << 16 | static_cast<DWORD>(b[p + 7]) << 24;
    return ULONGLONG{size} + 8;
}

UINT CWAVScanner::GetNextFileNumber() {
    return HandOutThenAdd();
}

UINT CWAVScanner::ReleaseFileNumber() {
    return HandOutThenSubtract();
}

}  // namespace tvn
