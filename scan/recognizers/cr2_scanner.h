// Recognizer for CR2 files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CCR2Scanner : public CScanner {
public:
    explicit CCR2Scanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
