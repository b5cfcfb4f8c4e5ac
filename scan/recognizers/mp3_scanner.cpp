#include "scan/recognizers/mp3_scanner.h"

namespace tvn {

CMP3Scanner::CMP3Scanner(CScanContext& ctx) : CScanner(ctx, FileType::MP3) { ResetCounter(1); }

bool CMP3Scanner::IsFileHeader() { return false; }

ULONGLONG CMP3Scanner::GetFileSize() { return 0; }

UINT CMP3Scanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CMP3Scanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
