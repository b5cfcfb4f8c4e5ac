#include "scan/forward_search.h"

#include <new>
#include <string>

#include "disk/io.h"

namespace tvn {

namespace {
constexpr ULONGLONG kAllOnes = ~ULONGLONG{0};
}

CLookahead::CLookahead(CScanner& scanner) : m_ctx(scanner.Context()) {
    if (m_ctx.scratch.size() != kScanBufferSize) m_ctx.scratch.assign(kScanBufferSize, 0);
    const int64_t pos = TellFd(m_ctx.source.GetHandle());
    m_next = pos >= 0 ? static_cast<ULONGLONG>(pos) : m_ctx.bufferFilePos + m_ctx.buffer.size();
}

std::span<const BYTE> CLookahead::Next() {
    const ULONGLONG pos = m_next;
    if (!m_ctx.straightforward) {
        if (const CScanContext::CachedBlock* hit = m_ctx.FindCached(pos)) {
            m_next += hit->data.size();
            m_last = hit;
            return {hit->data.data(), hit->data.size()};
        }
        CScanContext::CachedBlock& slot = m_ctx.CacheSlot(pos, m_last);
        if (slot.data.size() != kScanBufferSize) slot.data.assign(kScanBufferSize, 0);
        const ssize_t got =
            PreadFully(m_ctx.source.GetHandle(), slot.data.data(), slot.data.size(), pos);
        if (got == static_cast<ssize_t>(slot.data.size())) {
            m_next += slot.data.size();
            m_last = &slot;
            return {slot.data.data(), slot.data.size()};
        }
        // A short or failed read is not kept: read it again the ordinary way.
        slot.pos = CScanContext::kNoBlock;
    }
    BlockBuffer& block = m_ctx.scratch;
    const ssize_t got = PreadFully(m_ctx.source.GetHandle(), block.data(), block.size(), m_next);
    if (got < 0) {
        std::fill(block.begin(), block.end(), BYTE{0});
        m_ctx.reporter.Console("Failed to read data from disk\nFile pointer is at :" +
                               std::to_string(m_next) + "\n");
        m_ctx.reporter.Console("Failed to read data from disk\n");
    } else if (static_cast<size_t>(got) < block.size()) {
        std::fill(block.begin() + got, block.end(), BYTE{0});
    }
    m_next += block.size();
    return {block.data(), block.size()};
}

ULONGLONG ForwardHeaderSearch(CScanner& scanner, const ForwardSearchParams& params) {
    CScanContext& ctx = scanner.Context();
    const size_t B = ctx.buffer.size();
    try {
        CLookahead ahead(scanner);
        std::span<const BYTE> block(ctx.buffer.data(), B);
        scanner.SetSearching(true);
        size_t q = ctx.offset + size_t{params.step};
        ULONGLONG length = params.step;
        DWORD reloads = 0;
        for (;;) {
            if (q < B) {
                if (params.boundary(block, q)) {
                    scanner.SetSearching(false);
                    break;
                }
                q += params.step;
                length += params.step;
                if (q < B) continue;  // step 8 cannot trigger without a reload
            }
            block = ahead.Next();
            q = 0;
            ++reloads;
            if (reloads > params.reloadLimit) {
                scanner.SetSearching(false);
                break;
            }
        }
        return scanner.IsSearching() ? 0 : length;
    } catch (const std::bad_alloc&) {
        return kAllOnes;
    }
}

bool TiffBoundary(std::span<const BYTE> block, size_t q) {
    if (q + 3 > block.size()) return false;
    if (block[q] == 0x49 && block[q + 1] == 0x49 && block[q + 2] == 0x2A) return true;
    return q + 4 <= block.size() && block[q] == 0x4D && block[q + 1] == 0x4D &&
           block[q + 3] == 0x2A;
}

}  // namespace tvn
