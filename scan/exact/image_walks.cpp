// PNG: the chunks by their lengths up to IEND and its CRC. GIF: the blocks and
// their sub-blocks up to the trailer. BMP: the file size of its header, once
// the header holds together.
#include "scan/exact/walks.h"

namespace tvn {

namespace {

bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Past a run of GIF data sub-blocks (a size byte, that many bytes; a size of
// 0 ends the run); kNone when it breaks.
uint64_t SkipSubBlocks(CByteSource& src, uint64_t pos) {
    for (;;) {
        const auto n = src.U8(pos);
        if (!n) return CByteSource::kNone;
        pos += 1 + uint64_t{*n};
        if (*n == 0) return pos;
    }
}

}  // namespace

WalkResult WalkPng(CByteSource& src) {
    static constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    static constexpr uint8_t kIhdr[] = {0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    if (!src.Equal(0, kSignature, 8) || !src.Equal(8, kIhdr, 8)) return WalkResult::Broken();
    uint64_t pos = 8;
    for (;;) {
        const auto length = src.U32(pos, true);
        uint8_t type[4];
        if (!length || *length > 0x7FFFFFFFU || !src.Read(pos + 4, type, 4)) {
            return WalkResult::Broken();
        }
        for (uint8_t c : type) {
            if (!IsLetter(c)) return WalkResult::Broken();
        }
        pos += 12 + uint64_t{*length};  // length, type, data, CRC
        if (pos > src.Limit()) return WalkResult::Broken();
        if (type[0] == 'I' && type[1] == 'E' && type[2] == 'N' && type[3] == 'D') {
            return WalkResult::Length(pos);
        }
    }
}

WalkResult WalkGif(CByteSource& src) {
    uint8_t head[13];
    if (!src.Read(0, head, sizeof head) || head[0] != 'G' || head[1] != 'I' || head[2] != 'F' ||
        head[3] != '8' || (head[4] != '7' && head[4] != '9') || head[5] != 'a') {
        return WalkResult::Broken();
    }
    uint64_t pos = 13;
    if (head[10] & 0x80) pos += 3ULL << ((head[10] & 7) + 1);  // global colour table
    bool image = false;
    for (;;) {
        const auto block = src.U8(pos);
        if (!block) return WalkResult::Broken();
        if (*block == 0x3B) {  // trailer
            if (!image) return WalkResult::Broken();
            return WalkResult::Length(pos + 1);
        }
        if (*block == 0x21) {  // extension: label, then sub-blocks
            pos = SkipSubBlocks(src, pos + 2);
        } else if (*block == 0x2C) {  // image descriptor, local table, LZW data
            const auto flags = src.U8(pos + 9);
            const auto codeSize = src.U8(pos + 10 + ((flags && (*flags & 0x80))
                                                         ? (3ULL << ((*flags & 7) + 1))
                                                         : 0));
            if (!flags || !codeSize || *codeSize < 1 || *codeSize > 11) {
                return WalkResult::Broken();
            }
            pos += 10;
            if (*flags & 0x80) pos += 3ULL << ((*flags & 7) + 1);
            pos = SkipSubBlocks(src, pos + 1);
            image = true;
        } else {
            return WalkResult::Broken();
        }
        if (pos == CByteSource::kNone) return WalkResult::Broken();
    }
}

WalkResult WalkBmp(CByteSource& src) {
    const auto size = src.U32(2, false);
    const auto pixels = src.U32(10, false);
    const auto header = src.U32(14, false);
    if (!src.Equal(0, "BM", 2) || !size || !pixels || !header) return WalkResult::Broken();
    // The info header is one of the known sizes, the pixels follow it and lie
    // inside the file.
    if (*header != 12 && *header != 40 && *header != 52 && *header != 56 && *header != 64 &&
        *header != 108 && *header != 124) {
        return WalkResult::Broken();
    }
    if (*pixels < 14 + *header || *pixels > *size || *size > src.Limit()) {
        return WalkResult::Broken();
    }
    return WalkResult::Length(*size);
}

}  // namespace tvn
