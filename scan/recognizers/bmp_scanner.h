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
    bool CanStartWith(BYTE b) const override { return b == 'B'; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
