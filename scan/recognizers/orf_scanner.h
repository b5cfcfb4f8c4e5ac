// Recognizer for ORF files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CORFScanner : public CScanner {
public:
    explicit CORFScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'I'; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
