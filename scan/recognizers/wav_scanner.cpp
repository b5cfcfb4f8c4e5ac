#include "scan/recognizers/wav_scanner.h"

namespace tvn {

CWAVScanner::CWAVScanner(CScanContext& ctx) : CScanner(ctx, FileType::WAV) {
    ResetCounter(1);
}

bool CWAVScanner::IsFileHeader() {
    const size_t p = GetOffset();
    return Match(p, "RIFF", 4) && Match(p + 8, "WAVE", 4);
}

// The whole RIFF chunk, its 8-byte header included.
ULONGLONG CWAVScanner::GetFileSize() { return RiffChunkLength(); }

UINT CWAVScanner::GetNextFileNumber() {
    return HandOutThenAdd();
}

UINT CWAVScanner::ReleaseFileNumber() {
    return HandOutThenSubtract();
}

}  // namespace tvn
