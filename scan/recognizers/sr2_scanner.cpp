#include "scan/recognizers/sr2_scanner.h"

namespace tvn {

CSR2Scanner::CSR2Scanner(CScanContext& ctx) : CScanner(ctx, FileType::SR2) { ResetCounter(1); }

bool CSR2Scanner::IsFileHeader() { return false; }

ULONGLONG CSR2Scanner::GetFileSize() { return 0; }

UINT CSR2Scanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CSR2Scanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
