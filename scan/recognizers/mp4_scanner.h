// Recognizer for MP4 files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CMP4Scanner : public CScanner {
public:
    explicit CMP4Scanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
