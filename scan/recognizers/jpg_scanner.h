// Recognizer for JPG files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CJPGScanner : public CScanner {
public:
    explicit CJPGScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 0xFF; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
