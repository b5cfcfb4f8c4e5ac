// Recognizer for Sony ARW raw files (Make "SONY"): a member of the TIFF family told apart by its own
// bytes (TiffFamilyTypeOf). Measured by the TIFF walk.
#pragma once

#include "scan/recognizers/walked_scanner.h"

namespace tvn {

class CARWScanner : public CWalkedScanner {
public:
    explicit CARWScanner(CScanContext& ctx);
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'I' || b == 'M'; }
};

}  // namespace tvn
