// Recognizer for MPEG transport streams of 188-byte packets (TS), each
// opening with the sync byte 0x47. Found where a run of packets opens with
// the program association table, measured to the last packet of the run.
// The starts inside the last stream found are no streams of their own.
#pragma once

#include "scan/recognizers/walked_scanner.h"

namespace tvn {

class CTSScanner : public CWalkedScanner {
public:
    explicit CTSScanner(CScanContext& ctx);
    bool IsFileHeader() override;
    ULONGLONG GetFileSize() override;
    bool CanStartWith(BYTE b) const override { return b == 0x47; }

protected:
    void LengthMeasured(ULONGLONG length) override;

private:
    ULONGLONG m_endMark = 0;  // medium byte just past the last stream measured
    ULONGLONG m_markedStart = ~ULONGLONG{0};  // where that stream begins
};

}  // namespace tvn
