// Recognizer for AVI files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CAVIScanner : public CScanner {
public:
    explicit CAVIScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
