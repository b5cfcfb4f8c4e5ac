// Recognizer for SR2 files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CSR2Scanner : public CScanner {
public:
    explicit CSR2Scanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'I' || b == 'M'; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
