#include "scan/recognizers/mid_scanner.h"

namespace tvn {

CMIDScanner::CMIDScanner(CScanContext& ctx) : CScanner(ctx, FileType::MID) { ResetCounter(1); }

bool CMIDScanner::IsFileHeader() { return false; }

ULONGLONG CMIDScanner::GetFileSize() { return 0; }

UINT CMIDScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CMIDScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
