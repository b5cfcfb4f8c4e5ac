#include "scan/recognizers/mrw_scanner.h"

namespace tvn {

// A Minolta raw file opens with 00 "MRM" (Motorola byte order) or 00 "MRI"
// (Intel byte order). After the 8-byte file header comes the PRD block, whose
// fields give the sensor size and how its pixels are stored; the image data
// follows the header block, so the file's length follows from the header:
//   p+4  D  size of the header block (image data at p + D + 8)
//   p+24 H  sensor height      p+26 W  sensor width
//   p+34    storage: "Y" packed 12-bit pixels, "R" unpacked 16-bit pixels
CMRWScanner::CMRWScanner(CScanContext& ctx) : CScanner(ctx, FileType::MRW) { ResetCounter(1); }

bool CMRWScanner::IsFileHeader() {
    const size_t p = GetOffset();
    if (!Has(p, 4)) return false;
    const std::span<const BYTE> b = Buf();
    return b[p] == 0x00 && b[p + 1] == 'M' && b[p + 2] == 'R' && (b[p + 3] == 'M' || b[p + 3] == 'I');
}

ULONGLONG CMRWScanner::GetFileSize() {
    const size_t p = GetOffset();
    if (!IsFileHeader() || !Has(p, 35)) return 0;
    const std::span<const BYTE> b = Buf();
    const bool bigEndian = b[p + 3] == 'M';
    auto number = [&](size_t at, int bytes) {
        ULONGLONG v = 0;
        for (int i = 0; i < bytes; ++i) {
            const size_t k = bigEndian ? static_cast<size_t>(i) : static_cast<size_t>(bytes - 1 - i);
            v = (v << 8) | b[p + at + k];
        }
        return v;
    };
    const ULONGLONG D = number(4, 4);
    const ULONGLONG H = number(24, 2);
    const ULONGLONG W = number(26, 2);
    // Worked out in 64 bits: a size past 4 GiB stays that large (and is then
    // refused by the scan's bounds) instead of wrapping round into a small,
    // plausible-looking length.
    switch (b[p + 34]) {
        case 'Y': return H * W * 3 / 2 + D + 8;
        case 'R': return D + H * W * 2 + 8;
        default: return 0;
    }
}

UINT CMRWScanner::GetNextFileNumber() { return HandOutThenAdd(); }

UINT CMRWScanner::ReleaseFileNumber() { return HandOutThenSubtract(); }

}  // namespace tvn
