#include "scan/recognizers/mov_scanner.h"

namespace tvn {

CMOVScanner::CMOVScanner(CScanContext& ctx) : CScanner(ctx, FileType::MOV) { ResetCounter(1); }

bool CMOVScanner::IsFileHeader() { return false; }

ULONGLONG CMOVScanner::GetFileSize() { return 0; }

UINT CMOVScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CMOVScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
