// Recognizer for MID files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CMIDScanner : public CScanner {
public:
    explicit CMIDScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
