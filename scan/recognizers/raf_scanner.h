// Recognizer for Fujifilm RAF raw files: the header "FUJIFILMCCD-RAW " with
// the offsets and lengths of the embedded JPEG, the metadata and the raw
// data. Measured by the farthest of them.
#pragma once

#include "scan/recognizers/walked_scanner.h"

namespace tvn {

class CRAFScanner : public CWalkedScanner {
public:
    explicit CRAFScanner(CScanContext& ctx);
    bool IsFileHeader() override;
    bool CanStartWith(BYTE b) const override { return b == 'F'; }
};

}  // namespace tvn
