#include "scan/recognizers/orf_scanner.h"

namespace tvn {

CORFScanner::CORFScanner(CScanContext& ctx) : CScanner(ctx, FileType::ORF) { ResetCounter(1); }

bool CORFScanner::IsFileHeader() { return false; }

ULONGLONG CORFScanner::GetFileSize() { return 0; }

UINT CORFScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CORFScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
