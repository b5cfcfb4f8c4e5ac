// Recognizer for MPG files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CMPGScanner : public CScanner {
public:
    explicit CMPGScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
