// Recognizer for AVCHD movies (MTS, M2TS): MPEG transport stream packets of
// 192 bytes, each a 4-byte arrival time stamp before the 188-byte packet
// with its sync byte 0x47. Found where a run of packets opens with the
// program association table (PID 0, a payload start), measured to the last
// packet of the run. The starts inside the last movie found are no movies
// of their own.
#pragma once

#include "scan/recognizers/walked_scanner.h"

namespace tvn {

// Whether a run of transport stream packets of the given size opens at p of
// buf, with the program association table: the sync byte at syncAt of every
// packet that lies inside buf (at least three do in a sector of 512 bytes)
// and PID 0 with the payload start in the first.
bool TransportRunAt(std::span<const BYTE> buf, size_t p, size_t packet, size_t syncAt);

class CMTSScanner : public CWalkedScanner {
public:
    explicit CMTSScanner(CScanContext& ctx);
    bool IsFileHeader() override;
    ULONGLONG GetFileSize() override;
    // The sync byte follows the 4-byte time stamp.
    size_t KeyByteOffset() const override { return 4; }
    bool CanStartWith(BYTE b) const override { return b == 0x47; }

protected:
    void LengthMeasured(ULONGLONG length) override;

private:
    ULONGLONG m_endMark = 0;  // medium byte just past the last movie measured
    ULONGLONG m_markedStart = ~ULONGLONG{0};  // where that movie begins
};

}  // namespace tvn
