// Recognizer for QuickTime movies, recognised by their first atom and measured
// up to the next sector that begins a QuickTime file with an "ftyp" atom.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CMOVScanner : public CScanner {
public:
    explicit CMOVScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    // The atom type follows the atom's four-byte size.
    size_t KeyByteOffset() const override { return 4; }
    bool CanStartWith(BYTE b) const override;
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
