// Recognizer for SRF files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CSRFScanner : public CScanner {
public:
    explicit CSRFScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'I' || b == 'M'; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
