#include "scan/recognizers/crw_scanner.h"

namespace tvn {

CCRWScanner::CCRWScanner(CScanContext& ctx) : CScanner(ctx, FileType::CRW) { ResetCounter(1); }

bool CCRWScanner::IsFileHeader() { return false; }

ULONGLONG CCRWScanner::GetFileSize() { return 0; }

UINT CCRWScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CCRWScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
