// Recognizer for Panasonic RW2 raw files (header "IIU\0"): a member of the TIFF family told apart by its own
// bytes (TiffFamilyTypeOf). Measured by the TIFF walk.
#pragma once

#include "scan/recognizers/walked_scanner.h"

namespace tvn {

class CRW2Scanner : public CWalkedScanner {
public:
    explicit CRW2Scanner(CScanContext& ctx);
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'I'; }
};

}  // namespace tvn
