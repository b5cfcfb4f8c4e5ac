#include "scan/recognizers/mpg_scanner.h"

namespace tvn {

CMPGScanner::CMPGScanner(CScanContext& ctx) : CScanner(ctx, FileType::MPG) { ResetCounter(1); }

bool CMPGScanner::IsFileHeader() { return false; }

ULONGLONG CMPGScanner::GetFileSize() { return 0; }

UINT CMPGScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CMPGScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
