// Recognizer for SRF files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CSRFScanner : public CScanner {
public:
    explicit CSRFScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
