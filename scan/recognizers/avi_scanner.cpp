#include "scan/recognizers/avi_scanner.h"

namespace tvn {

CAVIScanner::CAVIScanner(CScanContext& ctx) : CScanner(ctx, FileType::AVI) { ResetCounter(1); }

bool CAVIScanner::IsFileHeader() { return false; }

ULONGLONG CAVIScanner::GetFileSize() { return 0; }

UINT CAVIScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CAVIScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
