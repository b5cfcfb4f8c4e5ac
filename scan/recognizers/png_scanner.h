// Recognizer for PNG files. A PNG is measured by searching forward, byte by
// byte, for its IEND chunk.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CPNGScanner : public CScanner {
public:
    explicit CPNGScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 0x89; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;

private:
    ULONGLONG SearchEnd();
};

}  // namespace tvn
