// Recognizer for Pentax PEF raw files (a Pentax make or model): a member of the TIFF family told apart by its own
// bytes (TiffFamilyTypeOf). Measured by the TIFF walk.
#pragma once

#include "scan/recognizers/walked_scanner.h"

namespace tvn {

class CPEFScanner : public CWalkedScanner {
public:
    explicit CPEFScanner(CScanContext& ctx);
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'I' || b == 'M'; }
};

}  // namespace tvn
