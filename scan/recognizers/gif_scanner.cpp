#include "scan/recognizers/gif_scanner.h"

namespace tvn {

CGIFScanner::CGIFScanner(CScanContext& ctx) : CScanner(ctx, FileType::GIF) { ResetCounter(1); }

bool CGIFScanner::IsFileHeader() { return false; }

ULONGLONG CGIFScanner::GetFileSize() { return 0; }

UINT CGIFScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CGIFScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
