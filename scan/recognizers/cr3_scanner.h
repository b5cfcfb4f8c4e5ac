// Recognizer for Canon CR3 raw files (brand "crx "): an ISO base media file whose "ftyp" brand names
// the type (IsoMediaTypeOf). Measured by its top-level boxes.
#pragma once

#include "scan/recognizers/walked_scanner.h"

namespace tvn {

class CCR3Scanner : public CWalkedScanner {
public:
    explicit CCR3Scanner(CScanContext& ctx);
    bool IsFileHeader() override;
    // The box type follows the box's four-byte size.
    size_t KeyByteOffset() const override { return 4; }
    bool CanStartWith(BYTE b) const override { return b == 'f'; }
};

}  // namespace tvn
