#include "tools/media/av_writers.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "tools/media/photo_writers.h"

namespace tvn::media {

namespace {

constexpr size_t kSector = 512;

// Byte writers.
void Le16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Le32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Be16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
void Be32(Bytes& b, uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Text(Bytes& b, const char* s) {
    b.insert(b.end(), s, s + std::strlen(s));
}
void Append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}
uint32_t U32(size_t v) {
    if (v > UINT32_MAX) throw std::length_error("field does not fit in 32 bits");
    return static_cast<uint32_t>(v);
}

// A small deterministic generator (xorshift32).
class CRandom {
public:
    explicit CRandom(uint32_t seed) : m_state(seed * 2654435761U + 0x9E3779B9U) {
        if (m_state == 0) m_state = 1;
    }
    uint32_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }

private:
    uint32_t m_state;
};

// Writes bit fields most significant bit first (MPEG).
class CBitWriter {
public:
    void Put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            m_acc = static_cast<uint8_t>(uint32_t{m_acc} << 1 | ((value >> i) & 1U));
            if (++m_fill == 8) {
                m_out.push_back(m_acc);
                m_acc = 0;
                m_fill = 0;
            }
        }
    }
    // Zero bits up to the next byte boundary.
    void Align() {
        while (m_fill != 0) Put(0, 1);
    }
    Bytes& Data() { return m_out; }

private:
    Bytes m_out;
    uint8_t m_acc = 0;
    int m_fill = 0;
};

// Whether the bytes at pos look like the start of a file that a scan looks
// for (any of the nineteen types), so that the inside of a sample file offers
// no false starts at sector boundaries.
bool LooksLikeFileStart(const Bytes& b, size_t pos) {
    const auto at = [&](size_t i) -> int { return pos + i < b.size() ? b[pos + i] : -1; };
    const auto is = [&](size_t i, const char* s) {
        for (size_t k = 0; s[k] != 0; ++k) {
            if (at(i + k) != static_cast<uint8_t>(s[k])) return false;
        }
        return true;
    };
    if (at(0) == 0xFF && (at(1) == 0xD8 || at(1) == 0xFB)) return true;
    if (at(0) == 0x00 && at(1) == 0x00 && at(2) == 0x01) return true;
    if (at(0) == 0x89 && is(1, "PNG")) return true;
    if (is(0, "BM") || is(0, "ID3") || is(0, "GIF8") || is(0, "RIFF") || is(0, "MThd") ||
        is(0, "II*") || (is(0, "MM") && at(3) == 0x2A) || is(1, "MRM") || is(6, "HEAPCCDR")) {
        return true;
    }
    for (const char* atom : {"ftyp", "moov", "mdat", "wide", "skip", "pnot"}) {
        if (is(4, atom)) return true;
    }
    return false;
}

// First sector start in [from, to) where the data looks like a file start,
// or to when there is none.
size_t FirstFalseStart(const Bytes& b, size_t from, size_t to) {
    for (size_t pos = (from + kSector - 1) / kSector * kSector; pos < to; pos += kSector) {
        if (LooksLikeFileStart(b, pos)) return pos;
    }
    return to;
}

// Nudges raw sample or pixel data in [from, to) until no sector start in it
// looks like a file start: the byte after such a start is changed by one.
void ClearFalseStarts(Bytes& b, size_t from, size_t to) {
    for (size_t pos = FirstFalseStart(b, from, to); pos + 1 < to;
         pos = FirstFalseStart(b, pos + kSector, to)) {
        b[pos + 1] = static_cast<uint8_t>(b[pos + 1] ^ 0x01);
        if (LooksLikeFileStart(b, pos)) b[pos] = static_cast<uint8_t>(b[pos] ^ 0x02);
    }
}

// A colour component away from the extreme byte values 00 and FF.
uint8_t Component(uint32_t v) {
    return static_cast<uint8_t>(0x10 + v % 0xE0);
}

// --- bitmaps -------------------------------------------------------------

Bytes BmpHeaders(uint32_t width, uint32_t height, uint16_t bits, uint32_t paletteEntries,
                 uint32_t imageSize) {
    const uint32_t pixelOffset = 54 + paletteEntries * 4;
    Bytes b;
    Text(b, "BM");
    Le32(b, pixelOffset + imageSize);  // bfSize
    Le32(b, 0);                        // bfReserved1, bfReserved2
    Le32(b, pixelOffset);              // bfOffBits
    Le32(b, 40);                       // biSize
    Le32(b, width);
    Le32(b, height);  // positive: rows bottom-up
    Le16(b, 1);       // biPlanes
    Le16(b, bits);
    Le32(b, 0);  // BI_RGB
    Le32(b, imageSize);
    Le32(b, 2835);  // 72 dpi
    Le32(b, 2835);
    Le32(b, paletteEntries);  // biClrUsed
    Le32(b, 0);               // biClrImportant
    return b;
}

// --- MPEG audio ----------------------------------------------------------

// 128 kbit/s x 144,000 / 44,100 = 417 remainder 42,300: an encoder pads a
// frame whenever the accumulated remainders reach a whole byte's worth.
constexpr uint32_t kMp3Numerator = 128 * 144000;
constexpr uint32_t kMp3Rate = 44100;

// --- ISO base media / QuickTime ------------------------------------------

Bytes Box(const char* type, const Bytes& payload) {
    Bytes b;
    Be32(b, U32(payload.size() + 8));
    Text(b, type);
    Append(b, payload);
    return b;
}
Bytes FullBox(const char* type, uint8_t version, uint32_t flags, const Bytes& payload) {
    Bytes body;
    Be32(body, static_cast<uint32_t>(version) << 24 | flags);
    Append(body, payload);
    return Box(type, body);
}
void UnityMatrix(Bytes& b) {
    for (uint32_t v : {0x00010000U, 0U, 0U, 0U, 0x00010000U, 0U, 0U, 0U, 0x40000000U}) Be32(b, v);
}
Bytes Mvhd(uint32_t timescale, uint32_t duration) {
    Bytes b;
    Be32(b, 0);  // creation time
    Be32(b, 0);  // modification time
    Be32(b, timescale);
    Be32(b, duration);
    Be32(b, 0x00010000);  // rate 1.0
    Be16(b, 0x0100);      // volume 1.0
    b.insert(b.end(), 10, 0);
    UnityMatrix(b);
    b.insert(b.end(), 24, 0);  // pre-defined / preview and poster times
    Be32(b, 2);                // next track ID
    return FullBox("mvhd", 0, 0, b);
}
Bytes Tkhd(uint32_t duration) {
    Bytes b;
    Be32(b, 0);
    Be32(b, 0);
    Be32(b, 1);  // track ID
    Be32(b, 0);
    Be32(b, duration);
    b.insert(b.end(), 8, 0);
    Be16(b, 0);       // layer
    Be16(b, 0);       // alternate group
    Be16(b, 0x0100);  // volume: a sound track
    Be16(b, 0);
    UnityMatrix(b);
    Be32(b, 0);  // width
    Be32(b, 0);  // height
    return FullBox("tkhd", 0, 0x7, b);
}
Bytes Mdhd(uint32_t timescale, uint32_t duration) {
    Bytes b;
    Be32(b, 0);
    Be32(b, 0);
    Be32(b, timescale);
    Be32(b, duration);
    Be16(b, 0x55C4);  // language "und"
    Be16(b, 0);
    return FullBox("mdhd", 0, 0, b);
}
Bytes Stts(uint32_t count, uint32_t delta) {
    Bytes b;
    Be32(b, 1);
    Be32(b, count);
    Be32(b, delta);
    return FullBox("stts", 0, 0, b);
}
Bytes Stsc(uint32_t samplesPerChunk) {
    Bytes b;
    Be32(b, 1);
    Be32(b, 1);  // first chunk
    Be32(b, samplesPerChunk);
    Be32(b, 1);  // sample description index
    return FullBox("stsc", 0, 0, b);
}
Bytes Stco(const std::vector<uint32_t>& offsets) {
    Bytes b;
    Be32(b, U32(offsets.size()));
    for (uint32_t o : offsets) Be32(b, o);
    return FullBox("stco", 0, 0, b);
}

// MPEG-4 descriptor: tag, one-byte size (every descriptor here is short).
Bytes Descriptor(uint8_t tag, const Bytes& body) {
    Bytes b{tag, static_cast<uint8_t>(body.size())};
    Append(b, body);
    return b;
}

}  // namespace

// --- bitmaps -------------------------------------------------------------

Bytes MakeBmp24(uint32_t width, uint32_t height, uint32_t seed) {
    const uint32_t stride = (width * 3 + 3) & ~3U;
    Bytes b = BmpHeaders(width, height, 24, 0, stride * height);
    const size_t pixels = b.size();
    CRandom rnd(seed);
    for (uint32_t row = 0; row < height; ++row) {
        const uint32_t y = height - 1 - row;  // bottom-up
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t noise = rnd.Below(24);
            b.push_back(Component((x ^ y) + noise));                // blue
            b.push_back(Component(y * 224 / height + noise));       // green
            b.push_back(Component(x * 224 / width + (seed & 63)));  // red
        }
        b.insert(b.end(), stride - width * 3, 0x10);
    }
    ClearFalseStarts(b, pixels, b.size());
    return b;
}

Bytes MakeBmp8(uint32_t width, uint32_t height, uint32_t seed) {
    const uint32_t stride = (width + 3) & ~3U;
    Bytes b = BmpHeaders(width, height, 8, 256, stride * height);
    for (uint32_t i = 0; i < 256; ++i) {  // a blue-to-orange ramp: B, G, R, 0
        b.push_back(static_cast<uint8_t>(255 - i));
        b.push_back(static_cast<uint8_t>(i / 2 + 64));
        b.push_back(static_cast<uint8_t>(i));
        b.push_back(0);
    }
    const size_t pixels = b.size();
    CRandom rnd(seed);
    for (uint32_t row = 0; row < height; ++row) {
        for (uint32_t x = 0; x < width; ++x) {
            b.push_back(Component((x + row) * 2 + rnd.Below(8)));
        }
        b.insert(b.end(), stride - width, 0x10);
    }
    ClearFalseStarts(b, pixels, b.size());
    return b;
}

// --- PNG -----------------------------------------------------------------

namespace {

void PngChunk(Bytes& b, const char* type, const uint8_t* data, size_t size) {
    Be32(b, U32(size));
    const size_t typeAt = b.size();
    Text(b, type);
    b.insert(b.end(), data, data + size);
    const uLong crc = ::crc32(0L, b.data() + typeAt, static_cast<uInt>(size + 4));
    Be32(b, static_cast<uint32_t>(crc));
}

Bytes PngOnce(uint32_t width, uint32_t height, uint32_t seed) {
    Bytes raw;
    raw.reserve(size_t{height} * (size_t{width} * 3 + 1));
    CRandom rnd(seed);
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);  // filter type None
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t noise = rnd.Below(32);
            raw.push_back(static_cast<uint8_t>(x * 255 / width));
            raw.push_back(static_cast<uint8_t>((y * 255 / height + noise) & 0xFF));
            raw.push_back(static_cast<uint8_t>(((x * y) >> 4) + noise));
        }
    }
    uLongf packedSize = ::compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    if (::compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) !=
        Z_OK) {
        throw std::runtime_error("zlib cannot compress the image");
    }
    packed.resize(packedSize);

    Bytes b = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    Be32(ihdr, width);
    Be32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, truecolour, deflate, no interlace
    PngChunk(b, "IHDR", ihdr.data(), ihdr.size());
    const Bytes text = {'S', 'o', 'f', 't', 'w', 'a', 'r', 'e', 0, 'C', 'a', 'm', 'e', 'r', 'a'};
    PngChunk(b, "tEXt", text.data(), text.size());
    constexpr size_t kIdatBytes = 8192;
    for (size_t at = 0; at < packed.size(); at += kIdatBytes) {
        PngChunk(b, "IDAT", packed.data() + at, std::min(kIdatBytes, packed.size() - at));
    }
    PngChunk(b, "IEND", nullptr, 0);
    return b;
}

}  // namespace

Bytes MakePng(uint32_t width, uint32_t height, uint32_t seed) {
    // Compressed data cannot be nudged: another noise pattern is tried until
    // no sector start inside the file looks like a file start.
    for (uint32_t salt = 0;; ++salt) {
        Bytes b = PngOnce(width, height, seed + salt * 7919U);
        if (FirstFalseStart(b, 1, b.size()) == b.size() || salt == 64) return b;
    }
}

// --- GIF -----------------------------------------------------------------

namespace {

// LZW with 9-bit codes only: every pixel is sent as its own code, and a clear
// code goes out before the decoder's table would need 10-bit codes.
Bytes GifLzw(const Bytes& pixels) {
    constexpr uint32_t kClear = 256, kEnd = 257;
    constexpr size_t kRun = 250;
    Bytes out;
    uint32_t acc = 0;
    int fill = 0;
    const auto put = [&](uint32_t code) {
        acc |= code << fill;
        fill += 9;
        while (fill >= 8) {
            out.push_back(static_cast<uint8_t>(acc));
            acc >>= 8;
            fill -= 8;
        }
    };
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i % kRun == 0) put(kClear);
        put(pixels[i]);
    }
    put(kEnd);
    if (fill > 0) out.push_back(static_cast<uint8_t>(acc));
    return out;
}

Bytes GifOnce(bool version89a, uint16_t width, uint16_t height, uint32_t seed) {
    Bytes b;
    Text(b, version89a ? "GIF89a" : "GIF87a");
    Le16(b, width);
    Le16(b, height);
    b.push_back(0xF7);  // global colour table of 256 entries, 8-bit colour resolution
    b.push_back(0);     // background colour
    b.push_back(0);     // pixel aspect ratio
    for (uint32_t i = 0; i < 256; ++i) {
        b.push_back(static_cast<uint8_t>(i));
        b.push_back(static_cast<uint8_t>((i * 3) & 0xFF));
        b.push_back(static_cast<uint8_t>(255 - i));
    }
    if (version89a) {
        b.insert(b.end(), {0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00});
        const char comment[] = "Camera image";
        b.insert(b.end(), {0x21, 0xFE, static_cast<uint8_t>(sizeof comment - 1)});
        Text(b, comment);
        b.push_back(0);
    }
    b.push_back(0x2C);  // image descriptor
    Le16(b, 0);
    Le16(b, 0);
    Le16(b, width);
    Le16(b, height);
    b.push_back(0);  // no local colour table, not interlaced

    Bytes pixels;
    CRandom rnd(seed);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            pixels.push_back(static_cast<uint8_t>((x * 256 / width + y + rnd.Below(16)) & 0xFF));
        }
    }
    const Bytes lzw = GifLzw(pixels);
    b.push_back(8);  // minimum code size
    for (size_t at = 0; at < lzw.size(); at += 255) {
        const size_t n = std::min<size_t>(255, lzw.size() - at);
        b.push_back(static_cast<uint8_t>(n));
        b.insert(b.end(), lzw.begin() + static_cast<std::ptrdiff_t>(at),
                 lzw.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    b.push_back(0);     // block terminator
    b.push_back(0x3B);  // trailer
    return b;
}

}  // namespace

Bytes MakeGif(bool version89a, uint16_t width, uint16_t height, uint32_t seed) {
    for (uint32_t salt = 0;; ++salt) {
        Bytes b = GifOnce(version89a, width, height, seed + salt * 7919U);
        if (FirstFalseStart(b, 1, b.size()) == b.size() || salt == 64) return b;
    }
}

// --- MPEG audio ----------------------------------------------------------

Bytes MakeMp3Frame(bool padded) {
    Bytes b(kMp3FrameBytes + (padded ? 1 : 0), 0);
    b[0] = 0xFF;
    b[1] = 0xFB;                  // MPEG-1, Layer III, no CRC
    b[2] = padded ? 0x92 : 0x90;  // 128 kbit/s, 44,100 Hz, padding bit
    b[3] = 0x00;                  // stereo
    return b;
}

Bytes MakeMp3Frames(size_t frames) {
    Bytes b;
    uint32_t rest = 0;
    for (size_t i = 0; i < frames; ++i) {
        rest += kMp3Numerator % kMp3Rate;
        const bool padded = rest >= kMp3Rate;
        if (padded) rest -= kMp3Rate;
        Append(b, MakeMp3Frame(padded));
    }
    return b;
}

Bytes MakeId3Tag(const std::string& title, const std::string& artist, uint32_t paddingBytes) {
    Bytes frames;
    for (const auto& [id, text] : {std::pair<const char*, const std::string&>{"TIT2", title},
                                   std::pair<const char*, const std::string&>{"TPE1", artist}}) {
        Text(frames, id);
        Be32(frames, U32(text.size() + 1));
        Be16(frames, 0);      // flags
        frames.push_back(0);  // ISO-8859-1
        frames.insert(frames.end(), text.begin(), text.end());
    }
    frames.insert(frames.end(), paddingBytes, 0);
    const uint32_t size = U32(frames.size());
    Bytes b;
    Text(b, "ID3");
    b.insert(b.end(), {3, 0, 0});  // version 2.3, no flags
    for (int shift = 21; shift >= 0; shift -= 7)
        b.push_back(static_cast<uint8_t>((size >> shift) & 0x7F));
    Append(b, frames);
    return b;
}

Bytes MakeMp3(size_t frames, const std::string& title, uint32_t tagPadding) {
    Bytes b;
    if (!title.empty()) b = MakeId3Tag(title, "Field Recorder", tagPadding);
    Append(b, MakeMp3Frames(frames));
    return b;
}

// --- MIDI ----------------------------------------------------------------

namespace {

void VarLength(Bytes& b, uint32_t v) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 1) b.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
    b.push_back(groups[0]);
}

}  // namespace

Bytes MakeMidi(size_t notes, uint32_t seed) {
    Bytes track;
    track.insert(track.end(), {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});        // 120 bpm
    track.insert(track.end(), {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});  // 4/4
    track.insert(track.end(), {0x00, 0xC0, 0x00});                                // piano
    static constexpr uint8_t kScale[] = {60, 62, 64, 67, 69, 72, 74, 76};
    CRandom rnd(seed);
    uint32_t degree = 0;
    for (size_t i = 0; i < notes; ++i) {
        degree = (degree + rnd.Below(3) + 7) % 8;  // a step down, level or up
        const uint8_t key = kScale[degree];
        track.insert(track.end(), {0x00, 0x90, key, static_cast<uint8_t>(80 + rnd.Below(30))});
        VarLength(track, 48 + 48 * rnd.Below(3));  // eighth, quarter or dotted quarter
        track.insert(track.end(), {0x80, key, 0x40});
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});  // end of track

    Bytes b;
    Text(b, "MThd");
    Be32(b, 6);
    Be16(b, 0);   // format 0
    Be16(b, 1);   // one track
    Be16(b, 96);  // ticks per quarter note
    Text(b, "MTrk");
    Be32(b, U32(track.size()));
    Append(b, track);
    return b;
}

Bytes MakeRmid(size_t notes, uint32_t seed) {
    const Bytes smf = MakeMidi(notes, seed);
    const size_t padded = smf.size() + (smf.size() & 1);
    Bytes b;
    Text(b, "RIFF");
    Le32(b, U32(4 + 8 + padded));
    Text(b, "RMID");
    Text(b, "data");
    Le32(b, U32(smf.size()));
    Append(b, smf);
    if (smf.size() & 1) b.push_back(0);
    return b;
}

// --- WAV -----------------------------------------------------------------

namespace {

// A few seconds of a soft two-tone phrase, as 16-bit samples.
std::vector<int16_t> Tones(uint32_t sampleRate, uint32_t frames, uint16_t channels, uint32_t seed) {
    std::vector<int16_t> out;
    out.reserve(size_t{frames} * channels);
    const double base = 220.0 * (1.0 + (seed % 5) / 4.0);
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double envelope = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 0.5 * t);
        for (uint16_t c = 0; c < channels; ++c) {
            const double f = base * (c == 0 ? 1.0 : 1.5);
            const double v = 9000.0 * envelope * std::sin(2 * std::numbers::pi * f * t);
            out.push_back(static_cast<int16_t>(std::lround(v)));
        }
    }
    return out;
}

}  // namespace

Bytes MakeWav(uint32_t sampleRate, uint16_t channels, uint32_t sampleFrames, uint32_t seed) {
    const std::vector<int16_t> samples = Tones(sampleRate, sampleFrames, channels, seed);
    const uint32_t dataBytes = U32(samples.size() * 2);
    Bytes b;
    Text(b, "RIFF");
    Le32(b, 4 + (8 + 16) + (8 + dataBytes));
    Text(b, "WAVE");
    Text(b, "fmt ");
    Le32(b, 16);
    Le16(b, 1);  // PCM
    Le16(b, channels);
    Le32(b, sampleRate);
    Le32(b, sampleRate * channels * 2u);  // bytes per second
    Le16(b, channels * 2u);               // block align
    Le16(b, 16);
    Text(b, "data");
    Le32(b, dataBytes);
    const size_t data = b.size();
    for (int16_t s : samples) Le16(b, static_cast<uint16_t>(s));
    ClearFalseStarts(b, data, b.size());
    return b;
}

// --- MP4 -----------------------------------------------------------------

namespace {

Bytes Mp4Moov(const std::vector<uint32_t>& sizes, uint32_t dataOffset) {
    const uint32_t count = U32(sizes.size());
    const uint32_t duration = count * 1152;

    Bytes esds;
    {
        Bytes decoderConfig = {0x6B, 0x15};  // MPEG-1 audio; audio stream
        decoderConfig.insert(decoderConfig.end(), {0x00, 0x06, 0x00});  // buffer size
        Be32(decoderConfig, 128000);                                    // max bitrate
        Be32(decoderConfig, 128000);                                    // average bitrate
        Bytes es = {0x00, 0x01, 0x00};                                  // ES ID, flags
        Append(es, Descriptor(0x04, decoderConfig));
        Append(es, Descriptor(0x06, Bytes{0x02}));  // SL config: predefined MP4
        esds = FullBox("esds", 0, 0, Descriptor(0x03, es));
    }
    Bytes mp4a(6, 0);
    Be16(mp4a, 1);  // data reference index
    mp4a.insert(mp4a.end(), 8, 0);
    Be16(mp4a, 2);   // channels
    Be16(mp4a, 16);  // sample size
    Be32(mp4a, 0);
    Be32(mp4a, 44100U << 16);
    Append(mp4a, esds);

    Bytes stsd;
    Be32(stsd, 1);
    Append(stsd, Box("mp4a", mp4a));
    Bytes stsz;
    Be32(stsz, 0);
    Be32(stsz, count);
    for (uint32_t s : sizes) Be32(stsz, s);

    Bytes stbl = FullBox("stsd", 0, 0, Bytes(stsd));
    Append(stbl, Stts(count, 1152));
    Append(stbl, Stsc(count));  // one chunk holds them all
    Append(stbl, FullBox("stsz", 0, 0, stsz));
    Append(stbl, Stco({dataOffset}));

    Bytes dref;
    Be32(dref, 1);
    Append(dref, FullBox("url ", 0, 1, {}));
    Bytes smhd;
    Be32(smhd, 0);
    Bytes hdlr;
    Be32(hdlr, 0);
    Text(hdlr, "soun");
    hdlr.insert(hdlr.end(), 12, 0);
    Text(hdlr, "SoundHandler");
    hdlr.push_back(0);

    Bytes minf = FullBox("smhd", 0, 0, smhd);
    Append(minf, Box("dinf", FullBox("dref", 0, 0, dref)));
    Append(minf, Box("stbl", stbl));
    Bytes mdia = Mdhd(44100, duration);
    Append(mdia, FullBox("hdlr", 0, 0, hdlr));
    Append(mdia, Box("minf", minf));
    Bytes trak = Tkhd(duration);
    Append(trak, Box("mdia", mdia));
    Bytes moov = Mvhd(44100, duration);
    Append(moov, Box("trak", trak));
    return Box("moov", moov);
}

}  // namespace

Bytes MakeMp4(size_t frames) {
    const Bytes audio = MakeMp3Frames(frames);
    std::vector<uint32_t> sizes;
    for (size_t at = 0; at < audio.size();) {
        const uint32_t size = audio[at + 2] == 0x92 ? 418 : 417;
        sizes.push_back(size);
        at += size;
    }
    Bytes ftyp;
    Text(ftyp, "isom");
    Be32(ftyp, 0x200);
    Text(ftyp, "isomiso2mp41");
    const Bytes ftypBox = Box("ftyp", ftyp);
    const size_t moovSize = Mp4Moov(sizes, 0).size();

    // A "free" box in front of "mdat" moves the frames off sector boundaries,
    // where each would look like the start of an MP3 of its own.
    for (size_t freeBytes = 0;; freeBytes += 8) {
        const size_t dataOffset = ftypBox.size() + moovSize + freeBytes + 8;
        Bytes b = ftypBox;
        Append(b, Mp4Moov(sizes, U32(dataOffset)));
        if (freeBytes > 0) Append(b, Box("free", Bytes(freeBytes - 8, 0)));
        Append(b, Box("mdat", audio));
        if (FirstFalseStart(b, 1, b.size()) == b.size() || freeBytes > 4096) return b;
    }
}

// --- QuickTime -----------------------------------------------------------

namespace {

Bytes QtHdlr(const char* componentType, const char* subtype, const char* name) {
    Bytes b;
    Text(b, componentType);
    Text(b, subtype);
    Be32(b, 0);                                            // manufacturer
    Be32(b, 0);                                            // flags
    Be32(b, 0);                                            // flags mask
    b.push_back(static_cast<uint8_t>(std::strlen(name)));  // Pascal string
    Text(b, name);
    return FullBox("hdlr", 0, 0, b);
}

Bytes MovMoov(uint32_t sampleRate, uint32_t sampleFrames, uint32_t chunkFrames,
              uint32_t firstChunk) {
    const uint32_t chunks = sampleFrames / chunkFrames;
    Bytes twos(6, 0);
    Be16(twos, 1);  // data reference index
    Be16(twos, 0);  // version
    Be16(twos, 0);  // revision
    Be32(twos, 0);  // vendor
    Be16(twos, 1);  // channels
    Be16(twos, 16);
    Be16(twos, 0);  // compression ID
    Be16(twos, 0);  // packet size
    Be32(twos, sampleRate << 16);
    Bytes stsd;
    Be32(stsd, 1);
    Append(stsd, Box("twos", twos));
    Bytes stsz;
    Be32(stsz, 2);  // every sample is two bytes
    Be32(stsz, sampleFrames);
    std::vector<uint32_t> offsets;
    for (uint32_t i = 0; i < chunks; ++i) offsets.push_back(firstChunk + i * chunkFrames * 2);

    Bytes stbl = FullBox("stsd", 0, 0, stsd);
    Append(stbl, Stts(sampleFrames, 1));
    Append(stbl, Stsc(chunkFrames));
    Append(stbl, FullBox("stsz", 0, 0, stsz));
    Append(stbl, Stco(offsets));

    Bytes dref;
    Be32(dref, 1);
    Append(dref, FullBox("alis", 0, 1, {}));
    Bytes smhd;
    Be32(smhd, 0);
    Bytes minf = FullBox("smhd", 0, 0, smhd);
    Append(minf, QtHdlr("dhlr", "alis", "DataHandler"));
    Append(minf, Box("dinf", FullBox("dref", 0, 0, dref)));
    Append(minf, Box("stbl", stbl));
    Bytes mdia = Mdhd(sampleRate, sampleFrames);
    Append(mdia, QtHdlr("mhlr", "soun", "SoundHandler"));
    Append(mdia, Box("minf", minf));
    const uint32_t movieDuration =
        sampleFrames / sampleRate * 600 + sampleFrames % sampleRate * 600 / sampleRate;
    Bytes trak = Tkhd(movieDuration);
    Append(trak, Box("mdia", mdia));
    Bytes moov = Mvhd(600, movieDuration);
    Append(moov, Box("trak", trak));
    return Box("moov", moov);
}

}  // namespace

Bytes MakeMov(uint32_t sampleFrames, bool moovLast, uint32_t seed) {
    constexpr uint32_t kRate = 22050;
    constexpr uint32_t kChunk = 2205;  // a tenth of a second per chunk
    sampleFrames = std::max(kChunk, sampleFrames / kChunk * kChunk);
    Bytes pcm;
    for (int16_t s : Tones(kRate, sampleFrames, 1, seed)) Be16(pcm, static_cast<uint16_t>(s));

    Bytes ftyp;
    Text(ftyp, "qt  ");
    Be32(ftyp, 0x20050300);
    Text(ftyp, "qt  ");
    const Bytes head = moovLast ? Box("wide", {}) : Box("ftyp", ftyp);
    const size_t moovSize = MovMoov(kRate, sampleFrames, kChunk, 0).size();
    // A "free" atom in front of the atom after the head keeps every atom
    // after the first off sector boundaries, where it would start a movie of
    // its own.
    for (size_t freeBytes = 0;; freeBytes += 8) {
        Bytes b = head;
        const Bytes padding = freeBytes > 0 ? Box("free", Bytes(freeBytes - 8, 0)) : Bytes{};
        if (moovLast) {
            const size_t dataOffset = b.size() + 8;
            Append(b, Box("mdat", pcm));
            ClearFalseStarts(b, dataOffset, b.size());
            Append(b, padding);
            Append(b, MovMoov(kRate, sampleFrames, kChunk, U32(dataOffset)));
        } else {
            const size_t dataOffset = b.size() + moovSize + padding.size() + 8;
            Append(b, MovMoov(kRate, sampleFrames, kChunk, U32(dataOffset)));
            Append(b, padding);
            Append(b, Box("mdat", pcm));
            ClearFalseStarts(b, dataOffset, b.size());
        }
        if (FirstFalseStart(b, 1, b.size()) == b.size() || freeBytes > 4096) return b;
    }
}

Bytes MakeMjpegMov(uint32_t width, uint32_t height, uint32_t frames, uint32_t seed) {
    constexpr uint32_t kRate = 15;
    std::vector<Bytes> jpegs;
    for (uint32_t f = 0; f < frames; ++f) {
        JpegOptions o;
        o.width = width;
        o.height = height;
        o.app = JpegApp::None;
        o.detail = 3;
        o.seed = seed * 1000 + f + 1;
        jpegs.push_back(MakeJpeg(o));
    }
    // The sample entry: a QuickTime image description of "Photo - JPEG".
    Bytes entry(6, 0);
    Be16(entry, 1);  // data reference index
    Be16(entry, 0);  // version
    Be16(entry, 0);  // revision
    Be32(entry, 0);  // vendor
    Be32(entry, 0);  // temporal quality
    Be32(entry, 512);  // spatial quality
    Be16(entry, width);
    Be16(entry, height);
    Be32(entry, 0x00480000);  // 72 dpi
    Be32(entry, 0x00480000);
    Be32(entry, 0);  // data size
    Be16(entry, 1);  // frames per sample
    const std::string compressor = "Photo - JPEG";
    entry.push_back(static_cast<uint8_t>(compressor.size()));
    Text(entry, compressor.c_str());
    entry.insert(entry.end(), 31 - compressor.size(), 0);
    Be16(entry, 24);      // depth
    Be16(entry, 0xFFFF);  // no colour table
    Bytes stsd;
    Be32(stsd, 1);
    Append(stsd, Box("jpeg", entry));

    auto moovFor = [&](uint32_t firstFrame) {
        Bytes stsz;
        Be32(stsz, 0);  // sizes follow
        Be32(stsz, frames);
        std::vector<uint32_t> offsets;
        uint32_t at = firstFrame;
        for (const Bytes& j : jpegs) {
            Be32(stsz, U32(j.size()));
            offsets.push_back(at);
            at += U32(j.size());
        }
        Bytes stbl = FullBox("stsd", 0, 0, stsd);
        Append(stbl, Stts(frames, 1));
        Append(stbl, Stsc(1));
        Append(stbl, FullBox("stsz", 0, 0, stsz));
        Append(stbl, Stco(offsets));
        Bytes dref;
        Be32(dref, 1);
        Append(dref, FullBox("alis", 0, 1, {}));
        Bytes vmhd(8, 0);  // graphics mode and colour
        Bytes minf = FullBox("vmhd", 0, 1, vmhd);
        Append(minf, QtHdlr("dhlr", "alis", "DataHandler"));
        Append(minf, Box("dinf", FullBox("dref", 0, 0, dref)));
        Append(minf, Box("stbl", stbl));
        Bytes mdia = Mdhd(kRate, frames);
        Append(mdia, QtHdlr("mhlr", "vide", "VideoHandler"));
        Append(mdia, Box("minf", minf));
        const uint32_t duration = frames * 600 / kRate;
        Bytes trak = Tkhd(duration);
        Append(trak, Box("mdia", mdia));
        Bytes moov = Mvhd(600, duration);
        Append(moov, Box("trak", trak));
        return Box("moov", moov);
    };
    Bytes ftyp;
    Text(ftyp, "qt  ");
    Be32(ftyp, 0x20050300);
    Text(ftyp, "qt  ");
    Bytes b = Box("ftyp", ftyp);
    const size_t moovSize = moovFor(0).size();
    Bytes mdat;
    for (const Bytes& j : jpegs) Append(mdat, j);
    Append(b, moovFor(U32(b.size() + moovSize + 8)));
    Append(b, Box("mdat", mdat));
    return b;
}

// --- AVI -----------------------------------------------------------------

namespace {

Bytes Chunk(const char* id, const Bytes& data) {
    Bytes b;
    Text(b, id);
    Le32(b, U32(data.size()));
    Append(b, data);
    if (data.size() & 1) b.push_back(0);
    return b;
}
Bytes List(const char* type, const Bytes& body) {
    Bytes b;
    Text(b, type);
    Append(b, body);
    return Chunk("LIST", b);
}

}  // namespace

Bytes MakeAvi(uint32_t width, uint32_t height, uint32_t frames, uint32_t seed) {
    const uint32_t stride = (width * 3 + 3) & ~3U;
    const uint32_t frameBytes = stride * height;
    constexpr uint32_t kRate = 15;

    Bytes avih;
    Le32(avih, 1000000 / kRate);     // microseconds per frame
    Le32(avih, frameBytes * kRate);  // maximum bytes per second
    Le32(avih, 0);                   // padding granularity
    Le32(avih, 0x10);                // AVIF_HASINDEX
    Le32(avih, frames);
    Le32(avih, 0);  // initial frames
    Le32(avih, 1);  // streams
    Le32(avih, frameBytes);
    Le32(avih, width);
    Le32(avih, height);
    avih.insert(avih.end(), 16, 0);

    Bytes strh;
    Text(strh, "vids");
    Text(strh, "DIB ");
    Le32(strh, 0);  // flags
    Le16(strh, 0);  // priority
    Le16(strh, 0);  // language
    Le32(strh, 0);  // initial frames
    Le32(strh, 1);  // scale
    Le32(strh, kRate);
    Le32(strh, 0);  // start
    Le32(strh, frames);
    Le32(strh, frameBytes);
    Le32(strh, 0xFFFFFFFF);  // quality: default
    Le32(strh, 0);           // sample size
    Le16(strh, 0);
    Le16(strh, 0);
    Le16(strh, static_cast<uint16_t>(width));
    Le16(strh, static_cast<uint16_t>(height));

    Bytes strf;
    Le32(strf, 40);
    Le32(strf, width);
    Le32(strf, height);
    Le16(strf, 1);
    Le16(strf, 24);
    Le32(strf, 0);  // BI_RGB
    Le32(strf, frameBytes);
    strf.insert(strf.end(), 16, 0);

    Bytes strl = Chunk("strh", strh);
    Append(strl, Chunk("strf", strf));
    Bytes hdrl = Chunk("avih", avih);
    Append(hdrl, List("strl", strl));

    Bytes movi;
    Bytes idx1;
    std::vector<size_t> framesAt;  // offsets of the pixel data in movi
    CRandom rnd(seed);
    for (uint32_t f = 0; f < frames; ++f) {
        Bytes pixels;
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                pixels.push_back(Component(x * 4 + f * 9));
                pixels.push_back(Component(y * 4 + rnd.Below(6)));
                pixels.push_back(Component((x + y) * 2 + f * 5));
            }
            pixels.insert(pixels.end(), stride - width * 3, 0x10);
        }
        Text(idx1, "00db");
        Le32(idx1, 0x10);                  // key frame
        Le32(idx1, U32(4 + movi.size()));  // from the "movi" list type
        Le32(idx1, frameBytes);
        framesAt.push_back(movi.size() + 8);
        Append(movi, Chunk("00db", pixels));
    }

    Bytes form;
    Text(form, "AVI ");
    Append(form, List("hdrl", hdrl));
    const size_t moviAt = 8 + form.size() + 12;  // file offset of the movi list's data
    Append(form, List("movi", movi));
    Append(form, Chunk("idx1", idx1));
    Bytes b = Chunk("RIFF", form);
    for (size_t at : framesAt) ClearFalseStarts(b, moviAt + at, moviAt + at + frameBytes);
    return b;
}

Bytes MakeMjpegAvi(uint32_t width, uint32_t height, uint32_t frames, uint32_t seed) {
    constexpr uint32_t kRate = 15;
    std::vector<Bytes> jpegs;
    size_t largest = 0;
    for (uint32_t f = 0; f < frames; ++f) {
        JpegOptions o;
        o.width = width;
        o.height = height;
        o.app = JpegApp::None;  // as compact cameras store their frames
        o.detail = 3;
        o.seed = seed * 1000 + f + 1;  // a picture that changes from frame to frame
        jpegs.push_back(MakeJpeg(o));
        largest = std::max(largest, jpegs.back().size());
    }

    Bytes avih;
    Le32(avih, 1000000 / kRate);
    Le32(avih, U32(largest * kRate));
    Le32(avih, 0);
    Le32(avih, 0x10);  // AVIF_HASINDEX
    Le32(avih, frames);
    Le32(avih, 0);
    Le32(avih, 1);
    Le32(avih, U32(largest));
    Le32(avih, width);
    Le32(avih, height);
    avih.insert(avih.end(), 16, 0);

    Bytes strh;
    Text(strh, "vids");
    Text(strh, "MJPG");
    Le32(strh, 0);
    Le16(strh, 0);
    Le16(strh, 0);
    Le32(strh, 0);
    Le32(strh, 1);
    Le32(strh, kRate);
    Le32(strh, 0);
    Le32(strh, frames);
    Le32(strh, U32(largest));
    Le32(strh, 0xFFFFFFFF);
    Le32(strh, 0);
    Le16(strh, 0);
    Le16(strh, 0);
    Le16(strh, static_cast<uint16_t>(width));
    Le16(strh, static_cast<uint16_t>(height));

    Bytes strf;
    Le32(strf, 40);
    Le32(strf, width);
    Le32(strf, height);
    Le16(strf, 1);
    Le16(strf, 24);
    Text(strf, "MJPG");
    Le32(strf, width * height * 3);
    strf.insert(strf.end(), 16, 0);

    Bytes strl = Chunk("strh", strh);
    Append(strl, Chunk("strf", strf));
    Bytes hdrl = Chunk("avih", avih);
    Append(hdrl, List("strl", strl));

    Bytes movi;
    Bytes idx1;
    for (const Bytes& jpeg : jpegs) {
        Text(idx1, "00dc");
        Le32(idx1, 0x10);
        Le32(idx1, U32(4 + movi.size()));
        Le32(idx1, U32(jpeg.size()));
        Append(movi, Chunk("00dc", jpeg));
    }
    Bytes form;
    Text(form, "AVI ");
    Append(form, List("hdrl", hdrl));
    Append(form, List("movi", movi));
    Append(form, Chunk("idx1", idx1));
    return Chunk("RIFF", form);
}

// --- MPEG program stream -------------------------------------------------

namespace {

constexpr uint32_t kMuxRate = 3528;  // in units of 50 bytes/s

// A 33-bit time stamp in the 5-byte form of pack headers and PES headers,
// with the given 4-bit prefix.
void TimeStamp(CBitWriter& w, uint32_t prefix, uint64_t t) {
    w.Put(prefix, 4);
    w.Put(static_cast<uint32_t>((t >> 30) & 7), 3);
    w.Put(1, 1);
    w.Put(static_cast<uint32_t>((t >> 15) & 0x7FFF), 15);
    w.Put(1, 1);
    w.Put(static_cast<uint32_t>(t & 0x7FFF), 15);
    w.Put(1, 1);
}

void StartCode(CBitWriter& w, uint32_t code) {
    w.Put(0x100 | code, 32);
}

Bytes PackHeader(uint64_t scr) {
    CBitWriter w;
    StartCode(w, 0xBA);
    TimeStamp(w, 0x2, scr);
    w.Put(1, 1);
    w.Put(kMuxRate, 22);
    w.Put(1, 1);
    return w.Data();
}

Bytes SystemHeader() {
    CBitWriter w;
    StartCode(w, 0xBB);
    w.Put(9, 16);  // header length: 6 bytes and one stream entry
    w.Put(1, 1);
    w.Put(kMuxRate, 22);  // rate bound
    w.Put(1, 1);
    w.Put(0, 6);  // audio bound
    w.Put(0, 1);  // fixed
    w.Put(0, 1);  // CSPS
    w.Put(1, 1);  // system audio lock
    w.Put(1, 1);  // system video lock
    w.Put(1, 1);
    w.Put(1, 5);     // video bound
    w.Put(0xFF, 8);  // reserved
    w.Put(0xE0, 8);  // video stream 0
    w.Put(3, 2);
    w.Put(1, 1);    // buffer bound scale: 1,024 bytes
    w.Put(46, 13);  // buffer size bound
    return w.Data();
}

// An intra block's DC difference from the one before it: its size by the
// luminance or chrominance code, then the difference in that many bits
// (negative ones as difference + 2^size - 1), then end of block (no AC).
void DcBlock(CBitWriter& w, int diff, bool luminance) {
    static const uint32_t kLumaCode[9] = {0b100, 0b00, 0b01, 0b101, 0b110, 0b1110, 0b11110, 0b111110, 0b1111110};
    static const int kLumaBits[9] = {3, 2, 2, 3, 3, 4, 5, 6, 7};
    static const uint32_t kChromaCode[9] = {0b00, 0b01, 0b10, 0b110, 0b1110, 0b11110, 0b111110, 0b1111110, 0b11111110};
    static const int kChromaBits[9] = {2, 2, 2, 3, 4, 5, 6, 7, 8};
    const int magnitude = diff < 0 ? -diff : diff;
    int size = 0;
    while ((1 << size) <= magnitude) ++size;
    if (luminance)
        w.Put(kLumaCode[size], kLumaBits[size]);
    else
        w.Put(kChromaCode[size], kChromaBits[size]);
    if (size > 0) w.Put(static_cast<uint32_t>(diff > 0 ? diff : diff + (1 << size) - 1), size);
    w.Put(0b10, 2);  // end of block
}

// The colour of macroblock (x, y) in picture n of a moving clip: bars of
// colour that slide to the left, brighter towards the bottom.
struct MacroblockColour {
    int y, cb, cr;
};
MacroblockColour MovingBars(uint32_t n, uint32_t x, uint32_t y, uint32_t seed) {
    static const MacroblockColour kBars[6] = {{180, 128, 128}, {160, 44, 142}, {130, 156, 44},
                                              {110, 100, 210}, {80, 200, 120}, {60, 110, 80}};
    const MacroblockColour& bar = kBars[(x + n / 3 + seed) % 6];
    return {std::clamp(bar.y + static_cast<int>(y) * 3, 16, 235), bar.cb, bar.cr};
}

// The video elementary stream: sequence header, then a group of pictures
// every 12 pictures, each picture intra-coded with every macroblock one flat
// colour (DC coefficients only): grey with seed 0, else moving bars.
Bytes VideoStream(uint16_t width, uint16_t height, uint32_t pictures, uint32_t seed) {
    const uint32_t mbWidth = width / 16u, mbHeight = height / 16u;
    CBitWriter w;
    for (uint32_t n = 0; n < pictures; ++n) {
        if (n % 12 == 0) {
            StartCode(w, 0xB3);
            w.Put(width, 12);
            w.Put(height, 12);
            w.Put(1, 4);      // square pixels
            w.Put(3, 4);      // 25 pictures per second
            w.Put(2875, 18);  // 1,150,000 bit/s in units of 400
            w.Put(1, 1);
            w.Put(20, 10);  // VBV buffer size
            w.Put(0, 1);    // not constrained
            w.Put(0, 1);    // default intra matrix
            w.Put(0, 1);    // default non-intra matrix
            StartCode(w, 0xB8);
            const uint32_t seconds = n / 25, frames = n % 25;
            w.Put(0, 1);  // drop frame
            w.Put(0, 5);  // hours
            w.Put(seconds / 60, 6);
            w.Put(1, 1);
            w.Put(seconds % 60, 6);
            w.Put(frames, 6);
            w.Put(1, 1);  // closed GOP
            w.Put(0, 1);  // broken link
            w.Align();
        }
        StartCode(w, 0x00);
        w.Put(n % 12, 10);  // temporal reference
        w.Put(1, 3);        // I picture
        w.Put(0xFFFF, 16);  // VBV delay: variable
        w.Put(0, 1);        // no extra information
        w.Align();
        for (uint32_t row = 0; row < mbHeight; ++row) {
            StartCode(w, row + 1);
            w.Put(8, 5);  // quantiser scale
            w.Put(0, 1);
            // Each slice starts the DC predictions again at mid grey.
            int lastY = 128, lastCb = 128, lastCr = 128;
            for (uint32_t col = 0; col < mbWidth; ++col) {
                w.Put(1, 1);  // address increment 1
                w.Put(1, 1);  // intra
                if (seed == 0) {
                    for (int y = 0; y < 4; ++y) w.Put(0b10010, 5);  // DC size 0, end of block
                    for (int c = 0; c < 2; ++c) w.Put(0b0010, 4);
                    continue;
                }
                const MacroblockColour c = MovingBars(n, col, row, seed);
                for (int y = 0; y < 4; ++y) {
                    DcBlock(w, c.y - lastY, true);
                    lastY = c.y;
                }
                DcBlock(w, c.cb - lastCb, false);
                lastCb = c.cb;
                DcBlock(w, c.cr - lastCr, false);
                lastCr = c.cr;
            }
            w.Align();
        }
    }
    StartCode(w, 0xB7);  // sequence end
    return w.Data();
}

}  // namespace

Bytes MakeMpegProgramStream(uint16_t width, uint16_t height, uint32_t pictures, uint32_t seed) {
    constexpr size_t kPack = 2048;
    const Bytes video = VideoStream(width, height, pictures, seed);
    Bytes b;
    uint64_t scr = 0;
    size_t sent = 0;
    for (bool first = true; sent < video.size(); first = false) {
        const size_t packAt = b.size();
        Append(b, PackHeader(scr));
        if (first) Append(b, SystemHeader());
        CBitWriter pes;
        if (first) {
            TimeStamp(pes, 0x2, 3600);  // presentation time stamp
        } else {
            pes.Put(0x0F, 8);  // no time stamps
        }
        const Bytes& header = pes.Data();
        const size_t room = kPack - (b.size() - packAt) - 6 - header.size();
        const size_t n = std::min(room, video.size() - sent);
        Bytes packet = {0x00, 0x00, 0x01, 0xE0};
        Be16(packet, U32(header.size() + n));
        Append(packet, header);
        packet.insert(packet.end(), video.begin() + static_cast<std::ptrdiff_t>(sent),
                      video.begin() + static_cast<std::ptrdiff_t>(sent + n));
        Append(b, packet);
        sent += n;
        scr += 90000 * kPack / (kMuxRate * 50);
    }
    b.insert(b.end(), {0x00, 0x00, 0x01, 0xB9});  // program end
    return b;
}

}  // namespace tvn::media
