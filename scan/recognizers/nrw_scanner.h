// Recognizer for Nikon Coolpix NRW raw files (Make "NIKON", a Coolpix model): a member of the TIFF family told apart by its own
// bytes (TiffFamilyTypeOf). Measured by the TIFF walk.
#pragma once

#include "scan/recognizers/walked_scanner.h"

namespace tvn {

class CNRWScanner : public CWalkedScanner {
public:
    explicit CNRWScanner(CScanContext& ctx);
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'I' || b == 'M'; }
};

}  // namespace tvn
