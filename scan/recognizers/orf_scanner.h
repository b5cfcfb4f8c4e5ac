// Recognizer for ORF files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CORFScanner : public CScanner {
public:
    explicit CORFScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
