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
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
