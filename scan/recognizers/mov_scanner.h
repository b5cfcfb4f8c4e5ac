// Recognizer for MOV files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CMOVScanner : public CScanner {
public:
    explicit CMOVScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
