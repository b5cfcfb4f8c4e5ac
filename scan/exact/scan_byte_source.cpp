#include "scan/exact/scan_byte_source.h"

#include <algorithm>

#include "disk/io.h"

namespace tvn {

uint64_t CScanByteSource::MediumLeft(const CScanContext& ctx) {
    const uint64_t s = ctx.source.GetSectorSizeU() != 0 ? ctx.source.GetSectorSizeU() : 512;
    const uint64_t end = (ctx.source.GetStartSector() + ctx.source.GetTotalSectors()) * s;
    const uint64_t start = ctx.bufferFilePos + ctx.offset;
    return end > start ? end - start : 0;
}

CScanByteSource::CScanByteSource(CScanContext& ctx, uint64_t limit)
    : CByteSource(std::min(limit, MediumLeft(ctx))),
      m_ctx(ctx),
      m_start(ctx.bufferFilePos + ctx.offset) {}

CByteSource::Stretch CScanByteSource::Fetch(uint64_t pos) {
    const uint64_t B = m_ctx.buffer.size();
    if (B == 0) return {};
    const uint64_t at = m_start + pos;  // on the medium
    const uint64_t block = (at - m_ctx.bufferFilePos) / B * B + m_ctx.bufferFilePos;
    // The file's position of the block's first byte may lie before the file.
    const auto stretch = [&](const BYTE* data, uint64_t size) -> Stretch {
        const uint64_t skip = m_start > block ? m_start - block : 0;
        if (size <= skip) return {};
        return {block + skip - m_start, {data + skip, static_cast<size_t>(size - skip)}};
    };
    if (block == m_ctx.bufferFilePos) return stretch(m_ctx.buffer.data(), B);
    if (!m_ctx.straightforward) {
        if (const BlockBuffer* held = m_ctx.ahead.Get(block)) {
            return stretch(held->data(), held->size());
        }
    }
    BlockBuffer& own = m_ctx.walkBlock;
    if (own.size() != B) AssignZeros(own, B);
    const auto& medium = m_ctx.source.GetMedium();
    const ssize_t got = !m_ctx.straightforward ? m_ctx.ahead.Read(own, block)
                        : medium                ? medium->ReadAt(own.data(), own.size(), block)
                                                : -1;
    if (got <= 0) return {};
    return stretch(own.data(), static_cast<uint64_t>(got));
}

}  // namespace tvn
