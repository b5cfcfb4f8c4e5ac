// The walks of today's camera and phone formats. RAF: the header's offsets
// and lengths of the embedded JPEG, the metadata and the raw data; the file
// ends with the farthest of them. HEIC/HEIF: the top-level boxes by their
// sizes. Transport streams (MTS, M2TS, TS): the run of packets, to where
// the next recording begins.
#include <algorithm>
#include <array>
#include <cstring>

#include "scan/exact/walks.h"

namespace tvn {

WalkResult WalkRaf(CByteSource& src) {
    if (!src.Equal(0, "FUJIFILMCCD-RAW ", 16)) return WalkResult::Broken();
    // Big-endian pairs of offset and length: JPEG at 84, metadata at 92,
    // raw data at 100. The header itself ends at 108 at the least.
    constexpr uint64_t kHeader = 108;
    uint64_t end = kHeader;
    bool jpeg = false, raw = false;
    for (const uint64_t at : {uint64_t{84}, uint64_t{92}, uint64_t{100}}) {
        const auto offset = src.U32(at, true);
        const auto length = src.U32(at + 4, true);
        if (!offset || !length) return WalkResult::Broken();
        if (*length == 0) continue;
        if (*offset < kHeader || uint64_t{*offset} + *length > src.Limit()) return WalkResult::Broken();
        end = std::max(end, uint64_t{*offset} + *length);
        if (at == 84) {
            static constexpr uint8_t kSoi[] = {0xFF, 0xD8};
            jpeg = src.Equal(*offset, kSoi, 2);
            if (!jpeg) return WalkResult::Broken();
        }
        if (at == 100) raw = true;
    }
    if (!jpeg || !raw || src.Broken()) return WalkResult::Broken();
    return WalkResult::Length(end);
}

namespace {

bool IsBox(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

bool IsHeifTopLevel(const uint8_t* t) {
    static constexpr std::array<const char*, 10> kTypes{"ftyp", "meta", "mdat", "free", "skip",
                                                         "moov", "uuid", "wide", "moof", "mfra"};
    return std::any_of(kTypes.begin(), kTypes.end(), [&](const char* n) { return IsBox(t, n); });
}

}  // namespace

WalkResult WalkHeif(CByteSource& src) {
    if (!src.Equal(4, "ftyp", 4)) return WalkResult::Broken();
    uint64_t pos = 0;
    bool meta = false, open = false;
    while (pos < src.Limit()) {
        uint8_t head[8];
        if (!src.Read(pos, head, 8) || !IsHeifTopLevel(head + 4)) break;
        const uint8_t* type = head + 4;
        uint64_t size = uint64_t{head[0]} << 24 | uint64_t{head[1]} << 16 | uint64_t{head[2]} << 8 | head[3];
        if (size == 1) {
            const auto large = src.U64(pos + 8, true);
            if (!large || *large < 16) break;
            size = *large;
        } else if (size == 0) {
            if (!IsBox(type, "mdat")) break;
            size = src.Limit() - pos;
            open = true;
        } else if (size < 8) {
            break;
        }
        // The next picture begins with its own "ftyp"; a second "meta" is
        // another file's.
        if (pos > 0 && IsBox(type, "ftyp")) break;
        if (meta && IsBox(type, "meta")) break;
        if (size > src.Limit() - pos) return WalkResult::Broken();
        meta = meta || IsBox(type, "meta");
        pos += size;
    }
    if (!meta || src.Broken()) return WalkResult::Broken();
    return WalkResult::Length(pos, open);
}

namespace {

// What the walk keeps of the packets it has passed, to tell where the next
// recording begins: a camera writes each clip from a fresh program
// association table, its arrival clock and continuity counters started anew.
struct ClipTrack {
    bool haveTime = false;
    uint32_t time = 0;         // arrival time stamp of the last packet with its sync byte
    bool havePat = false;
    uint8_t patCounter = 0;    // continuity counter of the last association table packet
    bool lostSincePat = false;  // a packet without its sync byte came after it
};

// 27 MHz ticks; the arrival clock counts 30 bits and wraps.
constexpr uint32_t kTimeMask = 0x3FFFFFFF;
// One second: within one recording, packets arrive far closer together.
constexpr uint32_t kTimeJump = 27000000;

}  // namespace

WalkResult WalkTransport(CByteSource& src, size_t packet, size_t syncAt) {
    constexpr size_t kConfirm = 4;  // packets after a lost one that must carry their sync byte
    const auto synced = [&](uint64_t at) {
        const auto b = at + packet <= src.Limit() ? src.U8(at + syncAt) : std::nullopt;
        return b && *b == 0x47;
    };
    // Whether the packet at pos (its sync byte in place) opens another
    // recording: an association table that starts a section where the
    // arrival clock jumps (back, or on by more than a second), or where the
    // table's continuity counter starts again out of turn (no packet lost
    // since the table before, no discontinuity the packet announces).
    ClipTrack track;
    const auto nextClip = [&](uint64_t pos) {
        std::array<uint8_t, 10> h{};
        const size_t n = std::min<size_t>(syncAt + 6, h.size());
        if (!src.Read(pos, h.data(), n)) return false;
        const uint8_t* ts = h.data() + syncAt;
        const bool pat = (ts[1] & 0xDF) == 0x40 && ts[2] == 0;  // PID 0, section start, no error
        bool jump = false;
        if (syncAt == 4) {
            const uint32_t time =
                (uint32_t{h[0]} << 24 | uint32_t{h[1]} << 16 | uint32_t{h[2]} << 8 | h[3]) & kTimeMask;
            jump = track.haveTime && ((time - track.time) & kTimeMask) > kTimeJump;
            track.time = time;
            track.haveTime = true;
        }
        if ((ts[1] & 0x1F) != 0 || ts[2] != 0 || (ts[3] & 0x10) == 0) return false;  // no table payload
        const uint8_t counter = ts[3] & 0x0F;
        const bool announced = (ts[3] & 0x20) != 0 && ts[4] > 0 && (ts[5] & 0x80) != 0;
        const bool outOfTurn = track.havePat && !track.lostSincePat && !announced &&
                               counter != track.patCounter && counter != ((track.patCounter + 1) & 0x0F);
        track.havePat = true;
        track.patCounter = counter;
        track.lostSincePat = false;
        return pos > 0 && pat && (jump || outOfTurn);
    };
    uint64_t pos = 0;
    uint64_t good = 0;
    while (true) {
        if (synced(pos)) {
            if (nextClip(pos)) break;
            pos += packet;
            ++good;
            continue;
        }
        // A packet lost in the middle: the run goes on when the packets after
        // it carry their sync bytes.
        bool more = true;
        for (size_t k = 1; k <= kConfirm && more; ++k) more = synced(pos + k * packet);
        if (!more || good == 0) break;
        track.lostSincePat = true;
        pos += packet;
    }
    if (good < 3 || src.Broken()) return WalkResult::Broken();
    return WalkResult::Length(pos);
}

}  // namespace tvn
