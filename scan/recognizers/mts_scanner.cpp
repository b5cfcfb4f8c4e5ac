#include "scan/recognizers/mts_scanner.h"

#include <algorithm>

namespace tvn {

namespace {

constexpr size_t kPacket = 192;
constexpr size_t kRunPackets = 8;  // packets looked at when the buffer holds them

bool MtsBoundary(std::span<const BYTE> block, size_t q) {
    return TransportRunAt(block, q, kPacket, 4);
}

}  // namespace

bool TransportRunAt(std::span<const BYTE> buf, size_t p, size_t packet, size_t syncAt) {
    if (p + syncAt + 3 > buf.size()) return false;
    const BYTE* first = buf.data() + p + syncAt;
    // The program association table: PID 0 with the payload start bit, and
    // no transport error.
    if (first[0] != 0x47 || (first[1] & 0xDF) != 0x40 || first[2] != 0) return false;
    size_t seen = 0;
    for (size_t k = 0; k < kRunPackets; ++k) {
        const size_t at = p + syncAt + k * packet;
        if (at >= buf.size()) break;
        if (buf[at] != 0x47) return false;
        ++seen;
    }
    return seen >= 3;
}

CMTSScanner::CMTSScanner(CScanContext& ctx)
    : CWalkedScanner(ctx, FileType::MTS, {ctx.source.GetSectorSizeU(), 100, MtsBoundary}) {}

bool CMTSScanner::IsFileHeader() {
    const ULONGLONG here = m_ctx.bufferFilePos + GetOffset();
    return (here >= m_endMark || here == m_markedStart) && TransportRunAt(Buf(), GetOffset(), kPacket, 4);
}

ULONGLONG CMTSScanner::GetFileSize() {
    const ULONGLONG length = CWalkedScanner::GetFileSize();
    if (length != ~ULONGLONG{0}) LengthMeasured(length);
    return length;
}

void CMTSScanner::LengthMeasured(ULONGLONG length) {
    m_markedStart = m_ctx.bufferFilePos + GetOffset();
    m_endMark = std::max(m_endMark, m_markedStart + length);
}

}  // namespace tvn
