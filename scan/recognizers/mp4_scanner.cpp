#include "scan/recognizers/mp4_scanner.h"

namespace tvn {

CMP4Scanner::CMP4Scanner(CScanContext& ctx) : CScanner(ctx, FileType::MP4) { ResetCounter(1); }

bool CMP4Scanner::IsFileHeader() { return false; }

ULONGLONG CMP4Scanner::GetFileSize() { return 0; }

UINT CMP4Scanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CMP4Scanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
