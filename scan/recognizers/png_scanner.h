// Recognizer for PNG files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CPNGScanner : public CScanner {
public:
    explicit CPNGScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
