// Recognizer for JPG files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CJPGScanner : public CScanner {
public:
    explicit CJPGScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
