// Recognizer for BMP files (Windows bitmaps). The length is the file size
// field of the bitmap file header.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CBMPScanner : public CScanner {
public:
    explicit CBMPScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
