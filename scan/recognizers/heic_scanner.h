// Recognizer for HEIC/HEIF pictures (brands "heic", "heix", "mif1", "msf1"): an ISO base media file whose "ftyp" brand names
// the type (IsoMediaTypeOf). Measured by its top-level boxes.
#pragma once

#include "scan/recognizers/walked_scanner.h"

namespace tvn {

class CHEICScanner : public CWalkedScanner {
public:
    explicit CHEICScanner(CScanContext& ctx);
    bool IsFileHeader() override;
    // The box type follows the box's four-byte size.
    size_t KeyByteOffset() const override { return 4; }
    bool CanStartWith(BYTE b) const override { return b == 'f'; }
};

}  // namespace tvn
