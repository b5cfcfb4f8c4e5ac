#include "scan/recognizers/png_scanner.h"

namespace tvn {

CPNGScanner::CPNGScanner(CScanContext& ctx) : CScanner(ctx, FileType::PNG) { ResetCounter(1); }

bool CPNGScanner::IsFileHeader() { return false; }

ULONGLONG CPNGScanner::GetFileSize() { return 0; }

UINT CPNGScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CPNGScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
