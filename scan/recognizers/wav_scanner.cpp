#include "scan/recognizers/wav_scanner.h"

namespace tvn {

CWAVScanner::CWAVScanner(CScanContext& ctx) : CScanner(ctx, FileType::WAV) { ResetCounter(1); }

bool CWAVScanner::IsFileHeader() { return false; }

ULONGLONG CWAVScanner::GetFileSize() { return 0; }

UINT CWAVScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CWAVScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
