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
    // The box type follows the box's four-byte size.
    size_t KeyByteOffset() const override { return 4; }
    bool CanStartWith(BYTE b) const override { return b == 'f'; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
