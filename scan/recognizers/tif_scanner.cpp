#include "scan/recognizers/tif_scanner.h"

namespace tvn {

CTIFScanner::CTIFScanner(CScanContext& ctx) : CScanner(ctx, FileType::TIF) { ResetCounter(1); }

bool CTIFScanner::IsFileHeader() { return false; }

ULONGLONG CTIFScanner::GetFileSize() { return 0; }

UINT CTIFScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CTIFScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
