#include "scan/recognizers/nef_scanner.h"

namespace tvn {

CNEFScanner::CNEFScanner(CScanContext& ctx) : CScanner(ctx, FileType::NEF) { ResetCounter(1); }

bool CNEFScanner::IsFileHeader() { return false; }

ULONGLONG CNEFScanner::GetFileSize() { return 0; }

UINT CNEFScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CNEFScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
