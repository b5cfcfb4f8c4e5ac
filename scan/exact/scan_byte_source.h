// The bytes of the medium from the sector under test on, for the structure
// walks of a scan: the shared buffer first, then the blocks after it, taken
// from the read-ahead window where they are held there and read on this
// thread past it. The shared buffer, its offset and the descriptor's file
// offset are never touched.
#pragma once

#include "scan/exact/byte_source.h"
#include "scan/scanner.h"

namespace tvn {

class CScanByteSource : public CByteSource {
public:
    // The file starting at the current offset of ctx's buffer, at most limit
    // bytes long (the end of the medium is applied on top).
    CScanByteSource(CScanContext& ctx, uint64_t limit);

protected:
    Stretch Fetch(uint64_t pos) override;

private:
    static uint64_t MediumLeft(const CScanContext& ctx);

    CScanContext& m_ctx;
    uint64_t m_start;  // medium position of the file's first byte
};

}  // namespace tvn
