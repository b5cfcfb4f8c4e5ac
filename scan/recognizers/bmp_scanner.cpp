#include "scan/recognizers/bmp_scanner.h"

#include "app/bytes.h"

namespace tvn {

namespace {

// The header fields read, as offsets from the start of the file: the bitmap
// file header (14 bytes) and the BITMAPINFOHEADER after it.
constexpr size_t kFileSize = 2;      // bfSize
constexpr size_t kReserved = 6;      // bfReserved1, bfReserved2
constexpr size_t kPixelOffset = 10;  // bfOffBits
constexpr size_t kImageSize = 34;    // biSizeImage
constexpr size_t kColoursUsed = 46;  // biClrUsed
constexpr size_t kHeaderBytes = 50;  // everything up to and including biClrUsed

}  // namespace

CBMPScanner::CBMPScanner(CScanContext& ctx) : CScanner(ctx, FileType::BMP) {
    ResetCounter(1);
}

bool CBMPScanner::IsFileHeader() {
    const size_t p = GetOffset();
    if (!Match(p, "BM", 2) || !Has(p, kHeaderBytes)) return false;
    const std::span<const BYTE> b = Buf();
    const DWORD fileSize = LoadLe32(&b[p + kFileSize]);
    const DWORD pixelOffset = LoadLe32(&b[p + kPixelOffset]);
    const DWORD imageSize = LoadLe32(&b[p + kImageSize]);
    const DWORD coloursUsed = LoadLe32(&b[p + kColoursUsed]);
    // A 54-byte header followed by a palette of 4-byte entries, the sizes that
    // add up, or the reserved words left zero: any one is enough. The sums
    // wrap in 32 bits, as the fields do.
    const bool paletteFits = static_cast<DWORD>(coloursUsed * 4U + 54U) == pixelOffset;
    const bool sizesAddUp = static_cast<DWORD>(pixelOffset + imageSize) == fileSize;
    const bool reservedZero = LoadLe32(&b[p + kReserved]) == 0;
    return paletteFits || sizesAddUp || reservedZero;
}

ULONGLONG CBMPScanner::GetFileSize() {
    const size_t p = GetOffset();
    if (!Has(p, kFileSize + 4)) return 0;
    return LoadLe32(&Buf()[p + kFileSize]);
}

UINT CBMPScanner::GetNextFileNumber() {
    return HandOutThenAdd();
}

UINT CBMPScanner::ReleaseFileNumber() {
    return HandOutThenSubtract();
}

}  // namespace tvn
