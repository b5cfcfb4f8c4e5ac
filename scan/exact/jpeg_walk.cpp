// JPEG: the marker segments by their lengths from SOI, through the entropy-
// coded data of every scan (0xFF 0x00 stuffing, RST markers, fill bytes), up
// to and including EOI. A camera that stores further images after the first
// (the previews of a Multi-Picture file) lists them in an APP2 "MPF" index;
// the file then ends with the last of them.
#include <algorithm>

#include "scan/exact/walks.h"

namespace tvn {

namespace {

constexpr uint8_t kSoi = 0xD8;
constexpr uint8_t kEoi = 0xD9;
constexpr uint8_t kSos = 0xDA;
constexpr uint16_t kMpEntryTag = 0xB002;
constexpr uint32_t kMaxMpEntries = 64;

bool IsRst(uint8_t m) { return m >= 0xD0 && m <= 0xD7; }

// Markers with a length that may stand in the header or between scans.
bool IsSegmentMarker(uint8_t m) {
    if (m >= 0xE0) return true;  // APPn, JPGn, COM
    if (m >= 0xC0 && m <= 0xCF) return true;  // SOFn, DHT, DAC, JPG
    return m == 0xDB || m == 0xDC || m == 0xDD || m == 0xDE || m == 0xDF || m == kSos;
}

bool IsFrameMarker(uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// The end of the images an MPF index (APP2 data from data, length bytes)
// lists after the first, each checked to open with SOI and close with EOI
// where the index says; 0 when there are none. Offsets count from the start
// of the index's TIFF header. *damaged is set when a listed image is not
// where the index says.
uint64_t MpfExtent(CByteSource& src, uint64_t data, uint64_t length, bool* damaged) {
    static constexpr uint8_t kMpf[] = {'M', 'P', 'F', 0};
    if (length < 8 + 8 || !src.Equal(data, kMpf, 4)) return 0;
    const uint64_t base = data + 4;
    const auto order = src.U16(base, true);
    if (!order || (*order != 0x4949 && *order != 0x4D4D)) return 0;
    const bool be = *order == 0x4D4D;
    const auto ifd = src.U32(base + 4, be);
    if (!ifd) return 0;
    const auto count = src.U16(base + *ifd, be);
    if (!count || *count > 64) return 0;
    uint64_t end = 0;
    for (uint32_t i = 0; i < *count; ++i) {
        const uint64_t entry = base + *ifd + 2 + 12ULL * i;
        const auto tag = src.U16(entry, be);
        const auto n = src.U32(entry + 4, be);
        const auto at = src.U32(entry + 8, be);
        if (!tag || !n || !at) return 0;
        if (*tag != kMpEntryTag) continue;
        const uint32_t images = std::min(*n / 16, kMaxMpEntries);
        for (uint32_t k = 0; k < images; ++k) {
            const uint64_t e = base + *at + 16ULL * k;
            const auto size = src.U32(e + 4, be);
            const auto offset = src.U32(e + 8, be);
            if (!size || !offset) return end;
            if (*offset == 0) continue;  // the first image: this one
            const uint64_t first = base + *offset;
            const uint64_t last = first + *size;
            static constexpr uint8_t kSoiBytes[] = {0xFF, kSoi};
            static constexpr uint8_t kEoiBytes[] = {0xFF, kEoi};
            if (*size < 4 || !src.Equal(first, kSoiBytes, 2) ||
                !src.Equal(last - 2, kEoiBytes, 2)) {
                *damaged = true;
                continue;
            }
            end = std::max(end, last);
        }
    }
    return end;
}

}  // namespace

WalkResult WalkJpeg(CByteSource& src) {
    static constexpr uint8_t kSoiBytes[] = {0xFF, kSoi};
    if (!src.Equal(0, kSoiBytes, 2)) return WalkResult::Broken();
    uint64_t pos = 2;
    uint64_t extra = 0;  // end of the further images of an MPF index
    bool damagedIndex = false;
    bool frame = false;
    for (;;) {
        // A marker, possibly after fill bytes.
        if (src.U8(pos) != 0xFF) return WalkResult::Broken();
        auto m = src.U8(pos + 1);
        while (m == 0xFF) {
            ++pos;
            m = src.U8(pos + 1);
        }
        if (!m) return WalkResult::Broken();
        if (*m == kEoi) {
            if (!frame) return WalkResult::Broken();
            const uint64_t end = std::max(pos + 2, extra);
            return WalkResult::Length(end, damagedIndex);
        }
        if (IsRst(*m)) {  // stray restart marker between segments
            pos += 2;
            continue;
        }
        if (!IsSegmentMarker(*m)) return WalkResult::Broken();
        const auto length = src.U16(pos + 2, true);
        if (!length || *length < 2) return WalkResult::Broken();
        const uint64_t data = pos + 4;
        if (*m == 0xE2 && !frame) {
            extra = std::max(extra, MpfExtent(src, data, *length - 2U, &damagedIndex));
        }
        if (IsFrameMarker(*m)) frame = true;
        pos += 2 + uint64_t{*length};
        if (*m != kSos) continue;
        if (!frame) return WalkResult::Broken();
        // Entropy-coded data: runs up to the first 0xFF that is neither
        // stuffing (FF 00), a restart marker nor a fill byte.
        for (;;) {
            const uint64_t ff = src.FindByte(pos, 0xFF);
            if (ff == CByteSource::kNone) return WalkResult::Broken();
            const auto next = src.U8(ff + 1);
            if (!next) return WalkResult::Broken();
            if (*next == 0x00 || IsRst(*next)) {
                pos = ff + 2;
                continue;
            }
            if (*next == 0xFF) {
                pos = ff + 1;
                continue;
            }
            pos = ff;
            break;
        }
    }
}

}  // namespace tvn
