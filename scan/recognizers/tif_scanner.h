// Recognizer for TIF files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CTIFScanner : public CScanner {
public:
    explicit CTIFScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
