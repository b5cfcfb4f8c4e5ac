// Recognizer for GIF files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CGIFScanner : public CScanner {
public:
    explicit CGIFScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
