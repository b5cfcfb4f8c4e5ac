// MP3: an ID3v2 tag, the MPEG audio frames one after the other for as long as
// each next frame header belongs to the same stream, then an APE tag and an
// ID3v1 tag ("TAG", 128 bytes) where they follow. WAV: the RIFF chunk. MIDI:
// the header chunk and as many track chunks as it announces, or the RIFF
// chunk of an RMID file.
#include <algorithm>

#include "scan/exact/walks.h"

namespace tvn {

namespace {

// The bits a frame header shares with the stream's first: sync, version,
// layer and sampling rate.
constexpr uint32_t kStreamMask = 0xFFFE0C00;
// How far past an ID3v2 tag the first frame may lie (the tag's padding).
constexpr uint64_t kFirstFrameWindow = 65536;
constexpr size_t kFramesForAStream = 2;

constexpr uint16_t kBitrates[2][3][16] = {
    // MPEG-1: Layer I, II, III
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    // MPEG-2 and 2.5: Layer I, then II and III
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
constexpr uint32_t kRates[3] = {44100, 48000, 32000};

// The length in bytes of the frame whose header is h, or 0 when h is no
// frame header (free-format frames, which carry no bitrate, included).
uint32_t FrameLength(uint32_t h) {
    if ((h >> 21) != 0x7FF) return 0;
    const uint32_t version = (h >> 19) & 3;  // 0: 2.5, 1: reserved, 2: 2, 3: 1
    const uint32_t layer = (h >> 17) & 3;    // 1: III, 2: II, 3: I
    const uint32_t bitrateIndex = (h >> 12) & 15;
    const uint32_t rateIndex = (h >> 10) & 3;
    if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return 0;
    }
    const bool mpeg1 = version == 3;
    const uint32_t rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const uint32_t bitrate = kBitrates[mpeg1 ? 0 : 1][3 - layer] [bitrateIndex] * 1000U;
    const uint32_t padding = (h >> 9) & 1;
    if (layer == 3) return (12 * bitrate / rate + padding) * 4;
    const uint32_t perSlot = (layer == 1 && !mpeg1) ? 72 : 144;
    return perSlot * bitrate / rate + padding;
}

// The end of the frames that follow one another from pos, each header sharing
// the stream bits of the first; pos itself when fewer than two frames do.
uint64_t FramesEnd(CByteSource& src, uint64_t pos, size_t* frames) {
    const auto first = src.U32(pos, true);
    *frames = 0;
    if (!first || FrameLength(*first) == 0) return pos;
    const uint32_t stream = *first & kStreamMask;
    uint64_t at = pos;
    for (;;) {
        const auto h = src.U32(at, true);
        if (!h || (*h & kStreamMask) != stream) break;
        const uint32_t length = FrameLength(*h);
        if (length == 0 || at + length > src.Limit()) break;
        at += length;
        ++*frames;
    }
    return at;
}

}  // namespace

WalkResult WalkMp3(CByteSource& src) {
    uint64_t pos = 0;
    uint8_t id3[10];
    if (src.Read(0, id3, sizeof id3) && id3[0] == 'I' && id3[1] == 'D' && id3[2] == '3') {
        if ((id3[6] | id3[7] | id3[8] | id3[9]) & 0x80) return WalkResult::Broken();
        const uint64_t size = uint64_t{id3[6]} << 21 | uint64_t{id3[7]} << 14 |
                              uint64_t{id3[8]} << 7 | id3[9];
        pos = 10 + size + ((id3[5] & 0x10) ? 10 : 0);  // header, tag, footer
        // Padding may run on past the tag's stated size: the first frame is
        // the first sync from there that a second frame follows.
        const uint64_t last = pos + kFirstFrameWindow;
        for (uint64_t at = pos;;) {
            at = src.FindByte(at, 0xFF);
            if (at == CByteSource::kNone || at > last) return WalkResult::Broken();
            size_t frames = 0;
            FramesEnd(src, at, &frames);
            if (frames >= kFramesForAStream) {
                pos = at;
                break;
            }
            ++at;
        }
    }
    size_t frames = 0;
    uint64_t end = FramesEnd(src, pos, &frames);
    if (frames < kFramesForAStream) return WalkResult::Broken();
    // An APE tag (header and footer carry "APETAGEX"; the size counts the
    // items and the footer), then an ID3v1 tag.
    static constexpr char kApe[] = "APETAGEX";
    if (src.Equal(end, kApe, 8)) {
        const auto size = src.U32(end + 12, false);
        const auto flags = src.U32(end + 20, false);
        if (size && flags && *size >= 32 && (*flags & (1U << 29)) != 0) {
            const uint64_t tagEnd = end + 32 + *size;
            if (tagEnd <= src.Limit() && src.Equal(tagEnd - 32, kApe, 8)) end = tagEnd;
        }
    }
    if (src.Equal(end, "TAG", 3) && end + 128 <= src.Limit()) end += 128;
    return WalkResult::Length(end);
}

WalkResult WalkWav(CByteSource& src) {
    const auto size = src.U32(4, false);
    if (!src.Equal(0, "RIFF", 4) || !src.Equal(8, "WAVE", 4) || !size || *size < 4) {
        return WalkResult::Broken();
    }
    const uint64_t end = 8 + uint64_t{*size};
    if (end > src.Limit()) return WalkResult::Broken();
    // The chunks inside must fill the RIFF chunk; a "data" chunk is there.
    uint64_t pos = 12;
    bool data = false;
    while (pos + 8 <= end) {
        uint8_t id[4];
        const auto length = src.U32(pos + 4, false);
        if (!length || !src.Read(pos, id, 4)) return WalkResult::Broken();
        for (uint8_t c : id) {
            if (c < 0x20 || c > 0x7E) return WalkResult::Broken();
        }
        data = data || (id[0] == 'd' && id[1] == 'a' && id[2] == 't' && id[3] == 'a');
        pos += 8 + uint64_t{*length} + (*length & 1);
    }
    if (!data || pos < end || pos > end + 1) return WalkResult::Broken();
    return WalkResult::Length(end);
}

WalkResult WalkMidi(CByteSource& src) {
    if (src.Equal(0, "RIFF", 4)) {
        const auto size = src.U32(4, false);
        if (!size || !src.Equal(8, "RMID", 4)) return WalkResult::Broken();
        const uint64_t end = 8 + uint64_t{*size};
        if (end > src.Limit()) return WalkResult::Broken();
        return WalkResult::Length(end);
    }
    const auto headerLength = src.U32(4, true);
    const auto tracks = src.U16(10, true);
    if (!src.Equal(0, "MThd", 4) || !headerLength || *headerLength < 6 || !tracks ||
        *tracks == 0) {
        return WalkResult::Broken();
    }
    uint64_t pos = 8 + uint64_t{*headerLength};
    for (uint32_t found = 0; found < *tracks;) {
        uint8_t id[4];
        const auto length = src.U32(pos + 4, true);
        if (!length || !src.Read(pos, id, 4)) return WalkResult::Broken();
        for (uint8_t c : id) {
            if (c < 0x20 || c > 0x7E) return WalkResult::Broken();
        }
        if (id[0] == 'M' && id[1] == 'T' && id[2] == 'r' && id[3] == 'k') ++found;
        pos += 8 + uint64_t{*length};
        if (pos > src.Limit()) return WalkResult::Broken();
    }
    return WalkResult::Length(pos);
}

}  // namespace tvn
