// Recognizer for CRW files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CCRWScanner : public CScanner {
public:
    explicit CCRWScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
