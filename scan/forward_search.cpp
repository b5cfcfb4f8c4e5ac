#include "scan/forward_search.h"

#include <new>
#include <string>

#include "disk/io.h"

namespace tvn {

namespace {
constexpr ULONGLONG kAllOnes = ~ULONGLONG{0};
}

CLookahead::CLookahead(CScanner& scanner) : m_ctx(scanner.Context()) {
    if (m_ctx.scratch.size() != kScanBufferSize) AssignZeros(m_ctx.scratch, kScanBufferSize);
    m_next = m_ctx.source.GetMedium() ? m_ctx.source.Tell()
                                      : m_ctx.bufferFilePos + m_ctx.buffer.size();
}

std::span<const BYTE> CLookahead::Next() {
    const ULONGLONG pos = m_next;
    if (!m_ctx.straightforward) {
        // Blocks near the scan are read ahead of it; one that was read around
        // comes with its unreadable sectors as zeros.
        if (const BlockBuffer* held = m_ctx.ahead.Get(pos)) {
            m_pastEnd = false;
            m_next += held->size();
            return {held->data(), held->size()};
        }
    }
    BlockBuffer& block = m_ctx.scratch;
    const ssize_t got = m_ctx.ReadBlockAt(block.data(), block.size(), pos);
    m_pastEnd = got == 0;
    if (got < 0) {
        std::fill(block.begin(), block.end(), BYTE{0});
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
            // The window ends after reloadLimit blocks; the block after it
            // would not be tested, so it is not read.
            if (++reloads > params.reloadLimit) {
                scanner.SetSearching(false);
                break;
            }
            if (ahead.PastEnd()) {
                // The blocks left in the window are zeros like the one just
                // tested, and it held no boundary: each adds its length.
                length += ULONGLONG{params.reloadLimit - reloads + 1} * B;
                scanner.SetSearching(false);
                break;
            }
            block = ahead.Next();
            q = 0;
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
