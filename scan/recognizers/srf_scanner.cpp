#include "scan/recognizers/srf_scanner.h"

namespace tvn {

CSRFScanner::CSRFScanner(CScanContext& ctx) : CScanner(ctx, FileType::SRF) { ResetCounter(1); }

bool CSRFScanner::IsFileHeader() { return false; }

ULONGLONG CSRFScanner::GetFileSize() { return 0; }

UINT CSRFScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CSRFScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
