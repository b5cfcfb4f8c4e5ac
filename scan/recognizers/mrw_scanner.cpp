#include "scan/recognizers/mrw_scanner.h"

namespace tvn {

CMRWScanner::CMRWScanner(CScanContext& ctx) : CScanner(ctx, FileType::MRW) { ResetCounter(1); }

bool CMRWScanner::IsFileHeader() { return false; }

ULONGLONG CMRWScanner::GetFileSize() { return 0; }

UINT CMRWScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CMRWScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
