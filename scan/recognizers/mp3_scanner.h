// Recognizer for MP3 files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CMP3Scanner : public CScanner {
public:
    explicit CMP3Scanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
