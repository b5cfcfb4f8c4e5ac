#include "scan/recognizers/ts_scanner.h"

#include <algorithm>

#include "scan/recognizers/mts_scanner.h"

namespace tvn {

namespace {

constexpr size_t kPacket = 188;

bool TsBoundary(std::span<const BYTE> block, size_t q) { return TransportRunAt(block, q, kPacket, 0); }

}  // namespace

CTSScanner::CTSScanner(CScanContext& ctx)
    : CWalkedScanner(ctx, FileType::TS, {ctx.source.GetSectorSizeU(), 100, TsBoundary}) {}

bool CTSScanner::IsFileHeader() {
    const ULONGLONG here = m_ctx.bufferFilePos + GetOffset();
    return (here >= m_endMark || here == m_markedStart) && TransportRunAt(Buf(), GetOffset(), kPacket, 0);
}

ULONGLONG CTSScanner::GetFileSize() {
    const ULONGLONG length = CWalkedScanner::GetFileSize();
    if (length != ~ULONGLONG{0}) LengthMeasured(length);
    return length;
}

void CTSScanner::LengthMeasured(ULONGLONG length) {
    m_markedStart = m_ctx.bufferFilePos + GetOffset();
    m_endMark = std::max(m_endMark, m_markedStart + length);
}

}  // namespace tvn
