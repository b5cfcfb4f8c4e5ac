#include "scan/recognizers/cr2_scanner.h"

namespace tvn {

CCR2Scanner::CCR2Scanner(CScanContext& ctx) : CScanner(ctx, FileType::CR2) { ResetCounter(1); }

bool CCR2Scanner::IsFileHeader() { return false; }

ULONGLONG CCR2Scanner::GetFileSize() { return 0; }

UINT CCR2Scanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CCR2Scanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
