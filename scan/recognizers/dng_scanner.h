// Recognizer for DNG raw files (a DNGVersion tag in IFD0): a member of the TIFF family told apart by its own
// bytes (TiffFamilyTypeOf). Measured by the TIFF walk.
#pragma once

#include "scan/recognizers/walked_scanner.h"

namespace tvn {

class CDNGScanner : public CWalkedScanner {
public:
    explicit CDNGScanner(CScanContext& ctx);
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'I' || b == 'M'; }
};

}  // namespace tvn
