// Recognizer for WAV files (RIFF WAVE). The length is the RIFF chunk's.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CWAVScanner : public CScanner {
public:
    explicit CWAVScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'R'; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
