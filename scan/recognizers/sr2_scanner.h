// Recognizer for SR2 files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CSR2Scanner : public CScanner {
public:
    explicit CSR2Scanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
