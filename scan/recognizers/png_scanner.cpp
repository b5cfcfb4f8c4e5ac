#include "scan/recognizers/png_scanner.h"

#include <cstring>
#include <new>

#include "scan/forward_search.h"
#include "scan/text_search.h"

namespace tvn {

namespace {

constexpr BYTE kSignature[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
// The IEND chunk's type and the CRC every IEND chunk carries (its data is
// empty, so the CRC is always the same). The file ends right after it.
constexpr BYTE kIendAndCrc[] = {0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
const std::string_view kEndMark{reinterpret_cast<const char*>(kIendAndCrc), sizeof kIendAndCrc};
constexpr DWORD kReloadLimit = 10;

// First position at or after from where the whole end mark lies inside the
// block, or the block's size when there is none. A mark split across two
// blocks is not seen.
size_t FindEndMark(std::span<const BYTE> block, size_t from) {
    if (from >= block.size()) return block.size();
    const BYTE* hit = FindFirstText(block.subspan(from), kEndMark);
    if (hit == nullptr) return block.size();
    return static_cast<size_t>(hit - block.data());
}

}  // namespace

CPNGScanner::CPNGScanner(CScanContext& ctx) : CScanner(ctx, FileType::PNG) {
    ResetCounter(1);
}

bool CPNGScanner::IsFileHeader() {
    return Match(GetOffset(), kSignature, sizeof kSignature);
}

ULONGLONG CPNGScanner::GetFileSize() {
    return Memoized([this] { return SearchEnd(); });
}

// Tests every byte position from the start on; the length is the distance to
// the end mark plus its eight bytes. Without an end mark the search gives up
// after ten further blocks with the whole window it searched, (B - p) + 10 B.
ULONGLONG CPNGScanner::SearchEnd() {
    CScanContext& ctx = Context();
    const size_t B = ctx.buffer.size();
    try {
        CLookahead ahead(*this);
        std::span<const BYTE> block(ctx.buffer.data(), B);
        SetSearching(true);
        size_t q = GetOffset();
        ULONGLONG length = 0;
        DWORD reloads = 0;
        for (;;) {
            const size_t hit = FindEndMark(block, q);
            if (hit < block.size()) {
                length += hit - q;
                SetSearching(false);
                return length + sizeof kIendAndCrc;
            }
            length += block.size() - q;
            if (++reloads > kReloadLimit) {  // the window ends: nothing more to read
                SetSearching(false);
                return length;
            }
            block = ahead.Next();
            q = 0;
        }
    } catch (const std::bad_alloc&) {
        return ~ULONGLONG{0};
    }
}

UINT CPNGScanner::GetNextFileNumber() {
    return HandOutThenAdd();
}

UINT CPNGScanner::ReleaseFileNumber() {
    return HandOutThenSubtract();
}

}  // namespace tvn
