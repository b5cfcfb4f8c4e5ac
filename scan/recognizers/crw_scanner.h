// Recognizer for CRW files.
#pragma once

#include "scan/scanner.h"

namespace tvn {

// Its file numbers go on across scans: building the recognizer leaves the
// counter alone, and a released number is not given back (the base
// ReleaseFileNumber).
class CCRWScanner : public CScanner {
public:
    explicit CCRWScanner(CScanContext& ctx);
    ULONGLONG GetFileSize() override;
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'I'; }
    UINT GetNextFileNumber() override;
};

}  // namespace tvn
