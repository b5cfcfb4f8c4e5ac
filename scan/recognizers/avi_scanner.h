// Recognizer for AVI files (RIFF AVI). The length is the RIFF chunk's.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CAVIScanner : public CScanner {
public:
    explicit CAVIScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'R'; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
