// Recognizer for MIDI files: Standard MIDI Files and RIFF-wrapped (RMID) ones.
// A MIDI file is measured up to the next 512-byte-aligned MIDI or RIFF start.
#pragma once

#include "scan/scanner.h"

namespace tvn {

class CMIDScanner : public CScanner {
public:
    explicit CMIDScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'M' || b == 'R'; }
    UINT GetNextFileNumber() override;
    UINT ReleaseFileNumber() override;
};

}  // namespace tvn
