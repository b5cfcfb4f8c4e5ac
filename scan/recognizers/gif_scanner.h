// Recognizer for GIF files (GIF87a and GIF89a). A GIF is measured up to the
// next sector that begins another GIF.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CGIFScanner : public CScanner {
public:
    explicit CGIFScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'G'; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
