// Recognizer for NEF files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CNEFScanner : public CScanner {
public:
    explicit CNEFScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
