// Recognizer for MRW files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CMRWScanner : public CScanner {
public:
    explicit CMRWScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 0x00; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
