#include "scan/recognizers/bmp_scanner.h"

namespace tvn {

CBMPScanner::CBMPScanner(CScanContext& ctx) : CScanner(ctx, FileType::BMP) { ResetCounter(1); }

bool CBMPScanner::IsFileHeader() { return false; }

ULONGLONG CBMPScanner::GetFileSize() { return 0; }

UINT CBMPScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CBMPScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
