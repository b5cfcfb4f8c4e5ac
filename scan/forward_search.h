// The length searches. Most recognizers measure a file by searching forward
// from its start for the next start of a file of the same kind (the forward
// header search); a few search for an end mark instead. All of them read the
// medium after the shared buffer in whole 512 KiB blocks through CLookahead,
// which never touches the shared buffer, its offset or the descriptor's file
// offset, so there is nothing to restore afterwards.
#pragma once

#include <span>

#include "scan/scanner.h"

namespace tvn {

// Reads the blocks that follow the shared buffer, one whole block at a time,
// from the descriptor's file offset on.
class CLookahead {
public:
    // Throws std::bad_alloc when its block cannot be had.
    explicit CLookahead(CScanner& scanner);

    // The next block: zeros past the end of the medium; an unreadable block is
    // zeros, with the console lines of a failed block read and one more
    // "Failed to read data from disk" line from the search.
    std::span<const BYTE> Next();
    // Whether the block Next gave last lay wholly past the end of the medium:
    // zeros, and so is every block after it.
    bool PastEnd() const { return m_pastEnd; }

private:
    CScanContext& m_ctx;
    ULONGLONG m_next;
    bool m_pastEnd = false;
};

// Boundary test at position q of a block. Must read only inside the block.
using BoundaryTest = bool (*)(std::span<const BYTE> block, size_t q);

struct ForwardSearchParams {
    DWORD step;         // bytes between tested positions
    DWORD reloadLimit;  // blocks read beyond the shared buffer before giving up
    BoundaryTest boundary;
};

// The forward header search: the distance from the start to the first tested
// position p + k*step that holds a boundary, or the whole window searched when
// none does. All ones when the search's block cannot be allocated.
ULONGLONG ForwardHeaderSearch(CScanner& scanner, const ForwardSearchParams& params);

// Bounded byte comparison inside a block.
inline bool BlockMatch(std::span<const BYTE> block, size_t pos, const void* bytes, size_t n) {
    return pos <= block.size() && n <= block.size() - pos &&
           std::memcmp(block.data() + pos, bytes, n) == 0;
}

// The TIFF header as a boundary: 49 49 2A, or 4D 4D with 2A at q+3.
bool TiffBoundary(std::span<const BYTE> block, size_t q);

}  // namespace tvn
