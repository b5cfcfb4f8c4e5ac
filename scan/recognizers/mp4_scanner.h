// Recognizer for MP4 files (ISO base media files with an "ftyp" box), measured
// up to the next sector that begins another such file.
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
