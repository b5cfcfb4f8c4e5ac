// Recognizer for MRW files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CMRWScanner : public CScanner {
public:
    explicit CMRWScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
