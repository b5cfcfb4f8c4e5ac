#include "tools/media/photo_writers.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace tvn::media {

namespace {

// ---------------------------------------------------------------- helpers

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

void AppendBe16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void AppendBe32(Bytes& out, uint32_t v) {
    AppendBe16(out, v >> 16);
    AppendBe16(out, v & 0xFFFF);
}
void AppendLe16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void AppendLe32(Bytes& out, uint32_t v) {
    AppendLe16(out, v & 0xFFFF);
    AppendLe16(out, v >> 16);
}
void AppendText(Bytes& out, std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }

uint32_t U32(size_t n) {
    if (n > 0xFFFFFFFFu) throw std::length_error("too large for a 32-bit field");
    return static_cast<uint32_t>(n);
}

// ---------------------------------------------------------------- JPEG

// Position in the 8x8 block (row-major) of the k-th coefficient in zigzag order.
constexpr std::array<uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The example quantisation tables of ISO/IEC 10918-1 Annex K, row-major.
constexpr std::array<uint8_t, 64> kLumaQuant = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<uint8_t, 64> kChromaQuant = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// The standard Huffman tables of Annex K.3: code counts per length 1..16,
// then the symbols in code order.
struct HuffSpec {
    std::array<uint8_t, 16> bits;
    std::vector<uint8_t> values;
};

const HuffSpec kDcLuma = {{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
                          {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const HuffSpec kDcChroma = {{0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0},
                            {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const HuffSpec kAcLuma = {
    {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D},
    {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
     0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xA1, 0x08, 0x23, 0x42, 0xB1, 0xC1, 0x15, 0x52,
     0xD1, 0xF0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0A, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x25,
     0x26, 0x27, 0x28, 0x29, 0x2A, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x43, 0x44, 0x45,
     0x46, 0x47, 0x48, 0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x63, 0x64,
     0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x83,
     0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
     0x9A, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6,
     0xB7, 0xB8, 0xB9, 0xBA, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xD2, 0xD3,
     0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8,
     0xE9, 0xEA, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA}};
const HuffSpec kAcChroma = {
    {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77},
    {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
     0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xA1, 0xB1, 0xC1, 0x09, 0x23, 0x33,
     0x52, 0xF0, 0x15, 0x62, 0x72, 0xD1, 0x0A, 0x16, 0x24, 0x34, 0xE1, 0x25, 0xF1, 0x17, 0x18,
     0x19, 0x1A, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x43, 0x44,
     0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x63,
     0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A,
     0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
     0x98, 0x99, 0x9A, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4,
     0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA,
     0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7,
     0xE8, 0xE9, 0xEA, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA}};

// Code and length of every symbol of a table (the canonical code of Annex C).
struct HuffCode {
    std::array<uint16_t, 256> code{};
    std::array<uint8_t, 256> length{};
};

HuffCode BuildCode(const HuffSpec& huff) {
    HuffCode c;
    uint32_t code = 0;
    size_t k = 0;
    for (uint8_t len = 1; len <= 16; ++len) {
        for (uint8_t i = 0; i < huff.bits[len - 1u]; ++i) {
            const uint8_t symbol = huff.values.at(k++);
            c.code[symbol] = static_cast<uint16_t>(code++);
            c.length[symbol] = len;
        }
        if (code > (1u << len)) throw std::logic_error("over-full Huffman table");
        code <<= 1;
    }
    if (k != huff.values.size()) throw std::logic_error("Huffman table counts and symbols differ");
    return c;
}

// Entropy-coded segment output, with a 00 stuffed after every FF byte.
class CBitWriter {
public:
    explicit CBitWriter(Bytes& out) : m_out(out) {}
    void Put(uint32_t bits, uint32_t count) {
        for (uint32_t i = count; i-- > 0;) {
            m_acc = static_cast<uint8_t>((uint32_t{m_acc} << 1) | ((bits >> i) & 1u));
            if (++m_n == 8) Emit();
        }
    }
    // Pads the last byte with 1 bits.
    void Flush() {
        while (m_n != 0) Put(1, 1);
    }

private:
    void Emit() {
        m_out.push_back(m_acc);
        if (m_acc == 0xFF) m_out.push_back(0x00);
        m_acc = 0;
        m_n = 0;
    }
    Bytes& m_out;
    uint8_t m_acc = 0;
    uint32_t m_n = 0;
};

// Magnitude category of a coefficient (the number of bits of |v|).
uint32_t Category(int v) {
    uint32_t a = static_cast<uint32_t>(v < 0 ? -v : v);
    uint32_t n = 0;
    while (a != 0) {
        ++n;
        a >>= 1;
    }
    return n;
}

void PutValue(CBitWriter& w, const HuffCode& table, uint32_t symbol, int v, uint32_t size) {
    w.Put(table.code[symbol], table.length[symbol]);
    if (size == 0) return;
    // Negative values are sent as v - 1 in size bits (their one's complement).
    const uint32_t raw = v >= 0 ? static_cast<uint32_t>(v)
                                : static_cast<uint32_t>(v + (1 << size) - 1);
    w.Put(raw, size);
}

// Quantisation at libjpeg's quality 75 (its default): the example tables at 50 %.
std::array<uint8_t, 64> Scaled(const std::array<uint8_t, 64>& base) {
    std::array<uint8_t, 64> q{};
    for (size_t i = 0; i < 64; ++i) {
        q[i] = static_cast<uint8_t>(std::clamp((base[i] * 50 + 50) / 100, 1, 255));
    }
    return q;
}

void Segment(Bytes& out, uint8_t marker, const Bytes& body) {
    out.push_back(0xFF);
    out.push_back(marker);
    AppendBe16(out, U32(body.size() + 2));
    out.insert(out.end(), body.begin(), body.end());
}

void EncodeDc(CBitWriter& w, const HuffCode& dc, int& pred, int dcValue) {
    const int diff = dcValue - pred;
    pred = dcValue;
    const uint32_t dcSize = Category(diff);
    PutValue(w, dc, dcSize, diff, dcSize);
}

// The AC coefficients of a block. A progressive first scan of the whole
// spectral band (1 to 63, no successive approximation) codes them the same
// way, its end-of-band being the EOB of a run of one block.
void EncodeAc(CBitWriter& w, const HuffCode& ac, uint32_t detail, uint32_t salt) {
    // A few low-frequency coefficients, in zigzag positions 1..20.
    std::array<int, 64> coef{};
    for (uint32_t i = 0; i < detail; ++i) {
        const uint32_t h = Hash(salt, i, 0xAC);
        const size_t k = 1 + h % 20;
        int v = static_cast<int>((h >> 8) % 3) + 1;
        if ((h >> 16) & 1u) v = -v;
        coef[k] = v;
    }
    uint32_t run = 0;
    size_t last = 0;
    for (size_t k = 1; k < 64; ++k) {
        if (coef[k] != 0) last = k;
    }
    for (size_t k = 1; k <= last; ++k) {
        if (coef[k] == 0) {
            ++run;
            continue;
        }
        while (run >= 16) {
            w.Put(ac.code[0xF0], ac.length[0xF0]);  // ZRL: sixteen zeros
            run -= 16;
        }
        const uint32_t size = Category(coef[k]);
        PutValue(w, ac, (run << 4) | size, coef[k], size);
        run = 0;
    }
    if (last != 63) w.Put(ac.code[0x00], ac.length[0x00]);  // EOB
}

void EncodeBlock(CBitWriter& w, const HuffCode& dc, const HuffCode& ac, int& pred, int dcValue,
                 uint32_t detail, uint32_t salt) {
    EncodeDc(w, dc, pred, dcValue);
    EncodeAc(w, ac, detail, salt);
}

// Chrominance level of a block: a gentle tint over the picture.
int PatternChroma(const JpegOptions& o, uint32_t bx, uint32_t by, bool red) {
    const uint32_t nbx = std::max(1u, (o.width + 15) / 16);
    const uint32_t nby = std::max(1u, (o.height + 7) / 8);
    const int gx = static_cast<int>(bx * 12 / nbx);
    const int gy = static_cast<int>(by * 12 / nby);
    const int jitter = static_cast<int>(Hash(bx, by, o.seed + (red ? 7u : 3u)) % 3) - 1;
    return red ? (gx - 6) * 3 + jitter : (5 - gy) * 3 + jitter;
}

// The Exif APP1 body: IFD0 with the camera strings, the Exif IFD, and IFD1
// with a thumbnail when asked.
Bytes ExifBody(const JpegOptions& o) {
    CTiffBuilder t(false, {'I', 'I', 0x2A, 0x00});
    const auto ifd0 = t.AddIfd();
    const auto exif = t.AddIfd();
    t.Ascii(ifd0, 271, o.make);
    t.Ascii(ifd0, 272, o.model);
    t.Shorts(ifd0, 274, {1});
    t.Rational(ifd0, 282, 72, 1);
    t.Rational(ifd0, 283, 72, 1);
    t.Shorts(ifd0, 296, {2});
    t.Ascii(ifd0, 305, "Ver.1.00");
    t.Ascii(ifd0, 306, o.dateTime);
    t.Shorts(ifd0, 531, {2});
    t.OffsetsOf(ifd0, 34665, {exif});
    t.Rational(exif, 33434, 1, 125);
    t.Rational(exif, 33437, 56, 10);
    t.Shorts(exif, 34855, {200});
    t.Undefined(exif, 36864, {'0', '2', '2', '1'});
    t.Ascii(exif, 36867, o.dateTime);
    t.Ascii(exif, 36868, o.dateTime);
    t.Undefined(exif, 37121, {1, 2, 3, 0});
    t.Rational(exif, 37386, 350, 10);
    t.Undefined(exif, 40960, {'0', '1', '0', '0'});
    t.Shorts(exif, 40961, {1});
    t.Longs(exif, 40962, {o.width});
    t.Longs(exif, 40963, {o.height});
    if (o.thumbnail) {
        const auto ifd1 = t.AddIfd();
        JpegOptions thumb;
        thumb.width = 160;
        thumb.height = 120;
        thumb.app = JpegApp::None;
        thumb.detail = 2;
        thumb.seed = o.seed;
        const auto data = t.AddData(MakeJpeg(thumb));
        t.Chain(ifd0, ifd1);
        t.Shorts(ifd1, 259, {6});
        t.Rational(ifd1, 282, 72, 1);
        t.Rational(ifd1, 283, 72, 1);
        t.Shorts(ifd1, 296, {2});
        t.OffsetsOf(ifd1, 513, {data});
        t.SizesOf(ifd1, 514, {data});
    }
    Bytes body = {'E', 'x', 'i', 'f', 0, 0};
    const Bytes tiff = t.Build();
    body.insert(body.end(), tiff.begin(), tiff.end());
    if (body.size() + 2 > 0xFFFF) throw std::length_error("Exif segment too large");
    return body;
}

// ---------------------------------------------------------------- raw data

// A 12-bit sensor value behind a colour filter: a smooth scene plus noise.
// No value has FF as its low byte, so neither 16-bit nor packed data ever
// holds an FF byte (no JPEG or MPEG audio sync can turn up in it).
uint32_t SensorValue(uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t seed) {
    const uint32_t gain[4] = {90, 160, 150, 70};  // R, G, G, B of an RGGB pattern
    const uint32_t scene = 900 + x * 1400 / std::max(1u, w) + y * 900 / std::max(1u, h);
    uint32_t v = scene * gain[(y & 1) * 2 + (x & 1)] / 160 + Hash(x, y, seed) % 96;
    v = std::clamp(v, 600u, 3839u);
    if ((v & 0xFF) == 0xFF) --v;
    return v;
}

Bytes RawWords(uint32_t w, uint32_t h, uint32_t seed, bool bigEndian) {
    Bytes out;
    out.reserve(size_t{w} * h * 2);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = SensorValue(x, y, w, h, seed);
            bigEndian ? AppendBe16(out, v) : AppendLe16(out, v);
        }
    }
    return out;
}

// Two 12-bit samples in three bytes, most significant bits first.
Bytes RawPacked12(uint32_t w, uint32_t h, uint32_t seed) {
    Bytes out;
    out.reserve(size_t{w} * h * 3 / 2);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x + 1 < w; x += 2) {
            const uint32_t a = SensorValue(x, y, w, h, seed);
            const uint32_t b = SensorValue(x + 1, y, w, h, seed);
            out.push_back(static_cast<uint8_t>(a >> 4));
            out.push_back(static_cast<uint8_t>(((a & 0xF) << 4) | (b >> 8)));
            out.push_back(static_cast<uint8_t>(b));
        }
    }
    return out;
}

// Splits image data of `rows` rows into strips of rowsPerStrip whole rows.
std::vector<Bytes> SplitRows(const Bytes& data, uint32_t rows, uint32_t rowsPerStrip) {
    rowsPerStrip = std::clamp(rowsPerStrip, 1u, std::max(1u, rows));
    const size_t rowBytes = rows == 0 ? 0 : data.size() / rows;
    std::vector<Bytes> out;
    for (uint32_t r = 0; r < rows; r += rowsPerStrip) {
        const size_t from = size_t{r} * rowBytes;
        const size_t to = size_t{std::min(rows, r + rowsPerStrip)} * rowBytes;
        out.emplace_back(data.begin() + static_cast<std::ptrdiff_t>(from),
                         data.begin() + static_cast<std::ptrdiff_t>(to));
    }
    return out;
}

// The raw image's IFD entries: CFA data in 16-bit words, uncompressed.
void RawIfd(CTiffBuilder& t, CTiffBuilder::BlockId ifd, const RawOptions& o,
            const std::vector<CTiffBuilder::BlockId>& strips, uint32_t rowsPerStrip) {
    t.Longs(ifd, 254, {0});
    t.Longs(ifd, 256, {o.width});
    t.Longs(ifd, 257, {o.height});
    t.Shorts(ifd, 258, {16});
    t.Shorts(ifd, 259, {1});
    t.Shorts(ifd, 262, {32803});  // colour filter array
    t.OffsetsOf(ifd, 273, strips);
    t.Shorts(ifd, 277, {1});
    t.Longs(ifd, 278, {rowsPerStrip});
    t.SizesOf(ifd, 279, strips);
    t.Shorts(ifd, 284, {1});
    t.Shorts(ifd, 33421, {2, 2});
    t.Undefined(ifd, 33422, {0, 1, 1, 2});
}

void AddRawStrips(CTiffBuilder& t, const RawOptions& o, bool bigEndian, uint32_t strips,
                  std::vector<CTiffBuilder::BlockId>& ids, uint32_t& rowsPerStrip) {
    strips = std::clamp(strips, 1u, std::max(1u, o.height));
    rowsPerStrip = (o.height + strips - 1) / strips;
    for (Bytes& s : SplitRows(RawWords(o.width, o.height, o.seed, bigEndian), o.height,
                              rowsPerStrip)) {
        ids.push_back(t.AddData(std::move(s)));
    }
}

void ExifIfd(CTiffBuilder& t, CTiffBuilder::BlockId exif, const std::string& date) {
    t.Rational(exif, 33434, 1, 60);
    t.Rational(exif, 33437, 80, 10);
    t.Shorts(exif, 34850, {2});
    t.Shorts(exif, 34855, {100});
    t.Undefined(exif, 36864, {'0', '2', '2', '1'});
    t.Ascii(exif, 36867, date);
    t.Ascii(exif, 36868, date);
    t.Rational(exif, 37386, 180, 10);
}

Bytes Preview(uint32_t w, uint32_t h, uint32_t seed) {
    JpegOptions p;
    p.width = std::max(160u, w / 2 / 16 * 16);
    p.height = std::max(120u, h / 2 / 8 * 8);
    p.app = JpegApp::None;
    p.detail = 3;
    p.seed = seed;
    return MakeJpeg(p);
}

std::string Or(const std::string& value, const char* fallback) {
    return value.empty() ? fallback : value;
}

}  // namespace

// ---------------------------------------------------------------- JPEG

int PatternLuma(const JpegOptions& o, uint32_t bx, uint32_t by) {
    const uint32_t nbx = std::max(1u, (o.width + 7) / 8);
    const uint32_t nby = std::max(1u, (o.height + 7) / 8);
    // A sky that brightens towards the horizon, a bright disc, and texture.
    int level = 80 + static_cast<int>(by * 80 / nby);
    const int dx = static_cast<int>(bx) - static_cast<int>(nbx * 2 / 3);
    const int dy = static_cast<int>(by) - static_cast<int>(nby / 3);
    const int r = static_cast<int>(std::max(1u, nbx / 6));
    const int d2 = dx * dx + dy * dy;
    if (d2 < r * r) level += 40 * (r * r - d2) / (r * r);
    level += static_cast<int>(Hash(bx, by, o.seed) % 9) - 4;
    return std::clamp(level, 64, 192);
}

namespace {

// The same picture as the baseline stream, in four scans: the DC
// coefficients of all three components together, then the AC band of each
// component on its own (in the component's own block order), each scan
// after a DHT segment as encoders write them.
void AppendProgressiveScans(Bytes& out, const JpegOptions& o, const HuffCode& dcL,
                            const HuffCode& acL, const HuffCode& dcC, const HuffCode& acC,
                            int lq0, int cq0) {
    const uint32_t mcusX = (o.width + 15) / 16;
    const uint32_t mcusY = (o.height + 7) / 8;
    Segment(out, 0xDA, {3, 1, 0x00, 2, 0x10, 3, 0x10, 0, 0, 0});
    {
        CBitWriter w(out);
        int predY = 0, predCb = 0, predCr = 0;
        for (uint32_t my = 0; my < mcusY; ++my) {
            for (uint32_t mx = 0; mx < mcusX; ++mx) {
                for (uint32_t i = 0; i < 2; ++i) {
                    EncodeDc(w, dcL, predY, (PatternLuma(o, mx * 2 + i, my) - 128) * 8 / lq0);
                }
                EncodeDc(w, dcC, predCb, PatternChroma(o, mx, my, false) * 8 / cq0);
                EncodeDc(w, dcC, predCr, PatternChroma(o, mx, my, true) * 8 / cq0);
            }
        }
        w.Flush();
    }
    const uint32_t detail = std::min(o.detail, 20u);
    for (uint8_t component = 1; component <= 3; ++component) {
        // The band's tables again, as a progressive encoder sends them per scan.
        Bytes dht{component == 1 ? uint8_t{0x10} : uint8_t{0x11}};
        const HuffSpec& table = component == 1 ? kAcLuma : kAcChroma;
        dht.insert(dht.end(), table.bits.begin(), table.bits.end());
        dht.insert(dht.end(), table.values.begin(), table.values.end());
        Segment(out, 0xC4, dht);
        Segment(out, 0xDA, {1, component, component == 1 ? uint8_t{0x00} : uint8_t{0x11}, 1, 63, 0});
        CBitWriter w(out);
        // A component's own blocks, row by row: luminance has twice as many
        // across as the chroma components.
        const uint32_t across = component == 1 ? (o.width + 7) / 8 : ((o.width + 1) / 2 + 7) / 8;
        const uint32_t down = (o.height + 7) / 8;
        for (uint32_t by = 0; by < down; ++by) {
            for (uint32_t bx = 0; bx < across; ++bx) {
                if (component == 1) {
                    EncodeAc(w, acL, detail, Hash(bx, by, o.seed * 3 + 1));
                } else {
                    EncodeAc(w, acC, detail / 3, Hash(bx, by, o.seed * 3 + component));
                }
            }
        }
        w.Flush();
    }
}

}  // namespace

Bytes MakeJpeg(const JpegOptions& o) {
    if (o.width == 0 || o.height == 0 || o.width > 0xFFFF || o.height > 0xFFFF) {
        throw std::invalid_argument("JPEG dimensions out of range");
    }
    const auto lumaQ = Scaled(kLumaQuant);
    const auto chromaQ = Scaled(kChromaQuant);
    Bytes out = {0xFF, 0xD8};
    if (o.app == JpegApp::Jfif) {
        Segment(out, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 1, 0, 72, 0, 72, 0, 0});
    } else if (o.app == JpegApp::Exif) {
        Segment(out, 0xE1, ExifBody(o));
    }
    Bytes dqt;
    for (uint8_t id = 0; id < 2; ++id) {
        dqt.push_back(id);
        for (uint8_t k : kZigzag) dqt.push_back(id == 0 ? lumaQ[k] : chromaQ[k]);
    }
    Segment(out, 0xDB, dqt);
    Bytes sof = {8};
    AppendBe16(sof, o.height);
    AppendBe16(sof, o.width);
    sof.insert(sof.end(), {3, 1, 0x21, 0, 2, 0x11, 1, 3, 0x11, 1});  // 4:2:2
    Segment(out, o.progressive ? 0xC2 : 0xC0, sof);
    Bytes dht;
    const std::array<std::pair<uint8_t, const HuffSpec*>, 4> tables = {
        {{0x00, &kDcLuma}, {0x10, &kAcLuma}, {0x01, &kDcChroma}, {0x11, &kAcChroma}}};
    for (const auto& [cls, huff] : tables) {
        dht.push_back(cls);
        dht.insert(dht.end(), huff->bits.begin(), huff->bits.end());
        dht.insert(dht.end(), huff->values.begin(), huff->values.end());
    }
    Segment(out, 0xC4, dht);

    const HuffCode dcL = BuildCode(kDcLuma), acL = BuildCode(kAcLuma);
    const HuffCode dcC = BuildCode(kDcChroma), acC = BuildCode(kAcChroma);
    // The decoder's DC level is 128 + DC x Q0 / 8; Q0 is 8 for luminance here.
    const int lq0 = lumaQ[0];
    const int cq0 = chromaQ[0];
    if (o.progressive) {
        AppendProgressiveScans(out, o, dcL, acL, dcC, acC, lq0, cq0);
        out.push_back(0xFF);
        out.push_back(0xD9);
        return out;
    }
    Segment(out, 0xDA, {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});
    CBitWriter w(out);
    int predY = 0, predCb = 0, predCr = 0;
    const uint32_t mcusX = (o.width + 15) / 16;
    const uint32_t mcusY = (o.height + 7) / 8;
    for (uint32_t my = 0; my < mcusY; ++my) {
        for (uint32_t mx = 0; mx < mcusX; ++mx) {
            for (uint32_t i = 0; i < 2; ++i) {
                const uint32_t bx = mx * 2 + i;
                const int dc = (PatternLuma(o, bx, my) - 128) * 8 / lq0;
                EncodeBlock(w, dcL, acL, predY, dc, std::min(o.detail, 20u),
                            Hash(bx, my, o.seed * 3 + 1));
            }
            const uint32_t chromaDetail = std::min(o.detail, 20u) / 3;
            EncodeBlock(w, dcC, acC, predCb, PatternChroma(o, mx, my, false) * 8 / cq0,
                        chromaDetail, Hash(mx, my, o.seed * 3 + 2));
            EncodeBlock(w, dcC, acC, predCr, PatternChroma(o, mx, my, true) * 8 / cq0,
                        chromaDetail, Hash(mx, my, o.seed * 3 + 3));
        }
    }
    w.Flush();
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

// ---------------------------------------------------------------- TIFF builder

CTiffBuilder::CTiffBuilder(bool bigEndian, Bytes magic, Bytes extraHeader)
    : m_bigEndian(bigEndian), m_header(std::move(magic)) {
    if (m_header.size() != 4) throw std::invalid_argument("TIFF magic must be four bytes");
    m_header.resize(8, 0);
    m_header.insert(m_header.end(), extraHeader.begin(), extraHeader.end());
}

CTiffBuilder::BlockId CTiffBuilder::AddIfd() {
    m_blocks.push_back(Block{});
    m_blocks.back().ifd = true;
    const BlockId id = m_blocks.size() - 1;
    if (!m_firstSet) {
        m_firstIfd = id;
        m_firstSet = true;
    }
    return id;
}

CTiffBuilder::BlockId CTiffBuilder::AddData(Bytes bytes, bool avoidSectorStart) {
    m_blocks.push_back(Block{});
    m_blocks.back().data = std::move(bytes);
    m_blocks.back().avoidSectorStart = avoidSectorStart;
    return m_blocks.size() - 1;
}

void CTiffBuilder::Put16(Bytes& out, size_t at, uint16_t v) const {
    out[at + (m_bigEndian ? 0 : 1)] = static_cast<uint8_t>(v >> 8);
    out[at + (m_bigEndian ? 1 : 0)] = static_cast<uint8_t>(v);
}

void CTiffBuilder::Put32(Bytes& out, size_t at, uint32_t v) const {
    for (size_t i = 0; i < 4; ++i) {
        const size_t shift = m_bigEndian ? 8 * (3 - i) : 8 * i;
        out[at + i] = static_cast<uint8_t>(v >> shift);
    }
}

void CTiffBuilder::Add(BlockId ifd, Entry entry) {
    Block& b = m_blocks.at(ifd);
    if (!b.ifd) throw std::invalid_argument("not an IFD");
    b.entries.push_back(std::move(entry));
}

void CTiffBuilder::Ascii(BlockId ifd, uint16_t tag, const std::string& text) {
    Bytes v(text.begin(), text.end());
    v.push_back(0);
    Add(ifd, {tag, kAscii, U32(v.size()), v, {}, false});
}

void CTiffBuilder::Shorts(BlockId ifd, uint16_t tag, std::vector<uint16_t> values) {
    Bytes v(values.size() * 2);
    for (size_t i = 0; i < values.size(); ++i) Put16(v, 2 * i, values[i]);
    Add(ifd, {tag, kShort, U32(values.size()), v, {}, false});
}

void CTiffBuilder::Longs(BlockId ifd, uint16_t tag, std::vector<uint32_t> values) {
    Bytes v(values.size() * 4);
    for (size_t i = 0; i < values.size(); ++i) Put32(v, 4 * i, values[i]);
    Add(ifd, {tag, kLong, U32(values.size()), v, {}, false});
}

void CTiffBuilder::Rational(BlockId ifd, uint16_t tag, uint32_t numerator, uint32_t denominator) {
    Bytes v(8);
    Put32(v, 0, numerator);
    Put32(v, 4, denominator);
    Add(ifd, {tag, kRational, 1, v, {}, false});
}

void CTiffBuilder::Undefined(BlockId ifd, uint16_t tag, Bytes bytes) {
    const uint32_t n = U32(bytes.size());
    Add(ifd, {tag, kUndefined, n, std::move(bytes), {}, false});
}

void CTiffBuilder::OffsetsOf(BlockId ifd, uint16_t tag, std::vector<BlockId> targets) {
    const uint32_t n = U32(targets.size());
    Add(ifd, {tag, kLong, n, {}, std::move(targets), false});
}

void CTiffBuilder::SizesOf(BlockId ifd, uint16_t tag, std::vector<BlockId> targets) {
    const uint32_t n = U32(targets.size());
    Add(ifd, {tag, kLong, n, {}, std::move(targets), true});
}

void CTiffBuilder::Chain(BlockId ifd, BlockId next) {
    m_blocks.at(ifd).next = static_cast<long>(next);
}

void CTiffBuilder::HeaderOffset(size_t position, BlockId target) {
    if (position + 4 > m_header.size()) throw std::out_of_range("header offset position");
    m_headerRefs.emplace_back(position, target);
}

namespace {
size_t ValueSize(size_t n) { return n + (n & 1); }  // values start on word boundaries
}  // namespace

size_t CTiffBuilder::IfdSize(const Block& b) const {
    size_t size = 2 + 12 * b.entries.size() + 4;
    for (const Entry& e : b.entries) {
        const size_t n = e.refs.empty() ? e.value.size() : 4 * e.refs.size();
        if (n > 4) size += ValueSize(n);
    }
    return size;
}

size_t CTiffBuilder::BlockSize(BlockId id) const {
    const Block& b = m_blocks.at(id);
    return b.ifd ? IfdSize(b) : b.data.size();
}

std::vector<uint32_t> CTiffBuilder::Layout() const {
    std::vector<uint32_t> offsets;
    size_t pos = m_header.size();
    for (size_t i = 0; i < m_blocks.size(); ++i) {
        pos += pos & 1;
        if (m_blocks[i].avoidSectorStart && pos % 512 == 0) pos += 2;
        offsets.push_back(U32(pos));
        pos += BlockSize(i);
    }
    U32(pos);
    return offsets;
}

uint32_t CTiffBuilder::OffsetOf(BlockId id) const { return Layout().at(id); }

Bytes CTiffBuilder::Build() const {
    const std::vector<uint32_t> at = Layout();
    size_t total = m_header.size();
    if (!m_blocks.empty()) total = at.back() + BlockSize(m_blocks.size() - 1);
    Bytes out(total, 0);
    std::copy(m_header.begin(), m_header.end(), out.begin());
    if (!m_blocks.empty()) Put32(out, 4, at.at(m_firstIfd));
    for (const auto& [position, target] : m_headerRefs) Put32(out, position, at.at(target));

    for (size_t i = 0; i < m_blocks.size(); ++i) {
        const Block& b = m_blocks[i];
        size_t pos = at[i];
        if (!b.ifd) {
            std::copy(b.data.begin(), b.data.end(), out.begin() + static_cast<std::ptrdiff_t>(pos));
            continue;
        }
        std::vector<Entry> entries = b.entries;
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& x, const Entry& y) { return x.tag < y.tag; });
        Put16(out, pos, static_cast<uint16_t>(entries.size()));
        size_t values = pos + 2 + 12 * entries.size() + 4;
        Put32(out, values - 4, b.next >= 0 ? at.at(static_cast<size_t>(b.next)) : 0);
        pos += 2;
        for (const Entry& e : entries) {
            Bytes v = e.value;
            if (!e.refs.empty()) {
                v.assign(4 * e.refs.size(), 0);
                for (size_t k = 0; k < e.refs.size(); ++k) {
                    Put32(v, 4 * k, e.sizes ? U32(BlockSize(e.refs[k])) : at.at(e.refs[k]));
                }
            }
            Put16(out, pos, e.tag);
            Put16(out, pos + 2, e.type);
            Put32(out, pos + 4, e.count);
            if (v.size() <= 4) {
                std::copy(v.begin(), v.end(), out.begin() + static_cast<std::ptrdiff_t>(pos + 8));
            } else {
                Put32(out, pos + 8, U32(values));
                std::copy(v.begin(), v.end(), out.begin() + static_cast<std::ptrdiff_t>(values));
                values += ValueSize(v.size());
            }
            pos += 12;
        }
    }
    return out;
}

// ---------------------------------------------------------------- TIFF

Bytes PatternRgb(uint32_t width, uint32_t height, uint32_t seed) {
    Bytes out;
    out.reserve(size_t{width} * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t n = Hash(x, y, seed) % 7;
            out.push_back(static_cast<uint8_t>(x * 200 / std::max(1u, width) + 30 + n));
            out.push_back(static_cast<uint8_t>(y * 180 / std::max(1u, height) + 40 + n));
            out.push_back(static_cast<uint8_t>(((x + y + seed * 17) % 64) * 3 + 20));
        }
    }
    return out;
}

Bytes MakeTiff(const TiffOptions& o) {
    const bool be = o.bigEndian;
    CTiffBuilder t(be, be ? Bytes{'M', 'M', 0, 0x2A} : Bytes{'I', 'I', 0x2A, 0});
    const auto ifd0 = t.AddIfd();
    const uint32_t rowsPerStrip =
        std::clamp(o.rowsPerStrip == 0 ? o.height : o.rowsPerStrip, 1u, std::max(1u, o.height));
    std::vector<CTiffBuilder::BlockId> strips;
    for (Bytes& s : SplitRows(PatternRgb(o.width, o.height, o.seed), o.height, rowsPerStrip)) {
        strips.push_back(t.AddData(std::move(s)));
    }
    t.Longs(ifd0, 254, {0});
    t.Longs(ifd0, 256, {o.width});
    t.Longs(ifd0, 257, {o.height});
    t.Shorts(ifd0, 258, {8, 8, 8});
    t.Shorts(ifd0, 259, {1});
    t.Shorts(ifd0, 262, {2});
    t.Ascii(ifd0, 271, o.make);
    t.Ascii(ifd0, 272, o.model);
    t.OffsetsOf(ifd0, 273, strips);
    t.Shorts(ifd0, 274, {1});
    t.Shorts(ifd0, 277, {3});
    t.Longs(ifd0, 278, {rowsPerStrip});
    t.SizesOf(ifd0, 279, strips);
    t.Rational(ifd0, 282, 300, 1);
    t.Rational(ifd0, 283, 300, 1);
    t.Shorts(ifd0, 284, {1});
    t.Shorts(ifd0, 296, {2});
    t.Ascii(ifd0, 305, "Ver 1.00");
    t.Ascii(ifd0, 306, "2007:09:22 16:05:41");
    return t.Build();
}

// ---------------------------------------------------------------- TIFF-based raws

Bytes MakeNef(const RawOptions& o) {
    CTiffBuilder t(true, {'M', 'M', 0, 0x2A});
    const auto ifd0 = t.AddIfd();
    const auto previewIfd = t.AddIfd();
    const auto rawIfd = t.AddIfd();
    const auto exif = t.AddIfd();
    const auto thumb = t.AddData(PatternRgb(160, 120, o.seed));
    const auto preview = t.AddData(Preview(o.width, o.height, o.seed), true);
    std::vector<CTiffBuilder::BlockId> strips;
    uint32_t rowsPerStrip = 0;
    AddRawStrips(t, o, true, o.strips, strips, rowsPerStrip);

    t.Longs(ifd0, 254, {1});
    t.Longs(ifd0, 256, {160});
    t.Longs(ifd0, 257, {120});
    t.Shorts(ifd0, 258, {8, 8, 8});
    t.Shorts(ifd0, 259, {1});
    t.Shorts(ifd0, 262, {2});
    t.Ascii(ifd0, 271, "NIKON CORPORATION");
    t.Ascii(ifd0, 272, Or(o.model, "NIKON D200"));
    t.OffsetsOf(ifd0, 273, {thumb});
    t.Shorts(ifd0, 274, {1});
    t.Shorts(ifd0, 277, {3});
    t.Longs(ifd0, 278, {120});
    t.SizesOf(ifd0, 279, {thumb});
    t.Rational(ifd0, 282, 300, 1);
    t.Rational(ifd0, 283, 300, 1);
    t.Shorts(ifd0, 284, {1});
    t.Shorts(ifd0, 296, {2});
    t.Ascii(ifd0, 305, "Ver.2.00");
    t.Ascii(ifd0, 306, "2007:05:19 11:42:07");
    t.OffsetsOf(ifd0, 330, {previewIfd, rawIfd});
    t.OffsetsOf(ifd0, 34665, {exif});

    t.Longs(previewIfd, 254, {1});
    t.Shorts(previewIfd, 259, {6});
    t.Rational(previewIfd, 282, 300, 1);
    t.Rational(previewIfd, 283, 300, 1);
    t.Shorts(previewIfd, 296, {2});
    t.OffsetsOf(previewIfd, 513, {preview});
    t.SizesOf(previewIfd, 514, {preview});
    t.Shorts(previewIfd, 531, {2});

    RawIfd(t, rawIfd, o, strips, rowsPerStrip);
    t.Shorts(rawIfd, 37399, {2});
    ExifIfd(t, exif, "2007:05:19 11:42:07");
    return t.Build();
}

Bytes MakeCr2(const RawOptions& o) {
    // Canon's header extension: "CR", version 2.0, the raw IFD's offset.
    CTiffBuilder t(false, {'I', 'I', 0x2A, 0}, {'C', 'R', 2, 0, 0, 0, 0, 0});
    const auto ifd0 = t.AddIfd();
    const auto exif = t.AddIfd();
    const auto ifd1 = t.AddIfd();
    const auto ifd2 = t.AddIfd();
    const auto ifd3 = t.AddIfd();
    const Bytes previewJpeg = Preview(o.width, o.height, o.seed);
    const auto preview = t.AddData(previewJpeg, true);
    JpegOptions th;
    th.width = 160;
    th.height = 120;
    th.app = JpegApp::None;
    th.detail = 2;
    th.seed = o.seed;
    const auto thumb = t.AddData(MakeJpeg(th), true);
    const uint32_t sw = std::max(16u, o.width / 4), sh = std::max(12u, o.height / 4);
    Bytes small;
    for (uint8_t v : PatternRgb(sw, sh, o.seed)) AppendLe16(small, uint32_t{v} << 4);
    const auto smallRgb = t.AddData(std::move(small));
    std::vector<CTiffBuilder::BlockId> strips;
    uint32_t rowsPerStrip = 0;
    AddRawStrips(t, o, false, 1, strips, rowsPerStrip);  // one strip, as Canon writes it
    t.Chain(ifd0, ifd1);
    t.Chain(ifd1, ifd2);
    t.Chain(ifd2, ifd3);
    t.HeaderOffset(12, ifd3);

    t.Longs(ifd0, 256, {std::max(160u, o.width / 2 / 16 * 16)});
    t.Longs(ifd0, 257, {std::max(120u, o.height / 2 / 8 * 8)});
    t.Shorts(ifd0, 258, {8, 8, 8});
    t.Shorts(ifd0, 259, {6});
    t.Ascii(ifd0, 271, "Canon");
    t.Ascii(ifd0, 272, Or(o.model, "Canon EOS 350D DIGITAL"));
    t.OffsetsOf(ifd0, 273, {preview});
    t.Shorts(ifd0, 274, {1});
    t.SizesOf(ifd0, 279, {preview});
    t.Rational(ifd0, 282, 72, 1);
    t.Rational(ifd0, 283, 72, 1);
    t.Shorts(ifd0, 296, {2});
    t.Ascii(ifd0, 306, "2006:03:11 09:15:48");
    t.OffsetsOf(ifd0, 34665, {exif});
    ExifIfd(t, exif, "2006:03:11 09:15:48");

    t.Shorts(ifd1, 259, {6});
    t.OffsetsOf(ifd1, 513, {thumb});
    t.SizesOf(ifd1, 514, {thumb});

    t.Longs(ifd2, 256, {sw});
    t.Longs(ifd2, 257, {sh});
    t.Shorts(ifd2, 258, {16, 16, 16});
    t.Shorts(ifd2, 259, {1});
    t.Shorts(ifd2, 262, {2});
    t.OffsetsOf(ifd2, 273, {smallRgb});
    t.Shorts(ifd2, 277, {3});
    t.Longs(ifd2, 278, {sh});
    t.SizesOf(ifd2, 279, {smallRgb});
    t.Shorts(ifd2, 284, {1});

    RawIfd(t, ifd3, o, strips, rowsPerStrip);
    return t.Build();
}

Bytes MakeSr2(const RawOptions& o) {
    CTiffBuilder t(false, {'I', 'I', 0x2A, 0});
    const auto ifd0 = t.AddIfd();
    const auto rawIfd = t.AddIfd();
    const auto exif = t.AddIfd();
    const auto preview = t.AddData(Preview(o.width, o.height, o.seed), true);
    std::vector<CTiffBuilder::BlockId> strips;
    uint32_t rowsPerStrip = 0;
    AddRawStrips(t, o, false, o.strips, strips, rowsPerStrip);

    t.Longs(ifd0, 254, {1});
    t.Shorts(ifd0, 259, {6});
    t.Ascii(ifd0, 271, "SONY");
    t.Ascii(ifd0, 272, Or(o.model, "DSC-R1"));
    t.Shorts(ifd0, 274, {1});
    t.Rational(ifd0, 282, 72, 1);
    t.Rational(ifd0, 283, 72, 1);
    t.Shorts(ifd0, 296, {2});
    t.Ascii(ifd0, 305, "DSC-R1 v1.00");
    t.Ascii(ifd0, 306, "2006:08:02 17:30:12");
    t.OffsetsOf(ifd0, 330, {rawIfd});
    t.OffsetsOf(ifd0, 513, {preview});
    t.SizesOf(ifd0, 514, {preview});
    t.Shorts(ifd0, 531, {2});
    t.OffsetsOf(ifd0, 34665, {exif});
    RawIfd(t, rawIfd, o, strips, rowsPerStrip);
    ExifIfd(t, exif, "2006:08:02 17:30:12");
    return t.Build();
}

Bytes MakeSrf(const RawOptions& o) {
    CTiffBuilder t(true, {'M', 'M', 0, 0x2A});
    const auto ifd0 = t.AddIfd();
    const auto exif = t.AddIfd();
    std::vector<CTiffBuilder::BlockId> strips;
    uint32_t rowsPerStrip = 0;
    AddRawStrips(t, o, true, o.strips, strips, rowsPerStrip);

    RawIfd(t, ifd0, o, strips, rowsPerStrip);
    t.Ascii(ifd0, 271, "SONY");
    t.Ascii(ifd0, 272, Or(o.model, "DSC-F828"));
    t.Shorts(ifd0, 274, {1});
    t.Rational(ifd0, 282, 72, 1);
    t.Rational(ifd0, 283, 72, 1);
    t.Shorts(ifd0, 296, {2});
    t.Ascii(ifd0, 306, "2004:10:09 14:02:55");
    t.OffsetsOf(ifd0, 34665, {exif});
    ExifIfd(t, exif, "2004:10:09 14:02:55");
    // The maker note: Sony's tag, then a small IFD of its own (offsets in it
    // are counted from the file's start).
    Bytes note = {'S', 'O', 'N', 'Y', ' ', 'D', 'S', 'C', ' ', 0, 0, 0};
    AppendBe16(note, 2);
    for (uint32_t tag : {0xB020u, 0xB021u}) {
        AppendBe16(note, tag);
        AppendBe16(note, 3);  // SHORT
        AppendBe32(note, 1);
        AppendBe32(note, (tag & 0xF) << 16);
    }
    AppendBe32(note, 0);
    t.Undefined(exif, 37500, std::move(note));
    return t.Build();
}

Bytes MakeOrf(const RawOptions& o) {
    CTiffBuilder t(false, {'I', 'I', 'R', 'O'});
    const auto ifd0 = t.AddIfd();
    const auto exif = t.AddIfd();
    std::vector<CTiffBuilder::BlockId> strips;
    uint32_t rowsPerStrip = 0;
    AddRawStrips(t, o, false, o.strips, strips, rowsPerStrip);

    RawIfd(t, ifd0, o, strips, rowsPerStrip);
    t.Ascii(ifd0, 271, "OLYMPUS IMAGING CORP.  ");
    t.Ascii(ifd0, 272, Or(o.model, "E-500"));
    t.Shorts(ifd0, 274, {1});
    t.Rational(ifd0, 282, 314, 1);
    t.Rational(ifd0, 283, 314, 1);
    t.Shorts(ifd0, 296, {2});
    t.Ascii(ifd0, 305, "Version 1.0");
    t.Ascii(ifd0, 306, "2006:01:28 12:48:03");
    t.OffsetsOf(ifd0, 34665, {exif});
    ExifIfd(t, exif, "2006:01:28 12:48:03");
    Bytes note = {'O', 'L', 'Y', 'M', 'P', 'U', 'S', 0, 'I', 'I', 3, 0};
    AppendLe16(note, 1);
    AppendLe16(note, 0x0000);  // maker note version
    AppendLe16(note, 7);
    AppendLe32(note, 4);
    AppendText(note, "0100");
    AppendLe32(note, 0);
    t.Undefined(exif, 37500, std::move(note));
    return t.Build();
}

// ---------------------------------------------------------------- CRW

namespace {

// A CIFF heap: records' data, then the table (entry count, ten bytes per
// entry, the table's offset within the heap).
struct CiffRecord {
    uint16_t tag;
    Bytes data;
};

Bytes CiffHeap(const std::vector<CiffRecord>& records) {
    Bytes heap;
    std::vector<std::pair<uint32_t, uint32_t>> where;
    for (const CiffRecord& r : records) {
        where.emplace_back(U32(heap.size()), U32(r.data.size()));
        heap.insert(heap.end(), r.data.begin(), r.data.end());
        if (heap.size() & 1) heap.push_back(0);
    }
    const uint32_t table = U32(heap.size());
    AppendLe16(heap, U32(records.size()));
    for (size_t i = 0; i < records.size(); ++i) {
        AppendLe16(heap, records[i].tag);
        AppendLe32(heap, where[i].second);
        AppendLe32(heap, where[i].first);
    }
    AppendLe32(heap, table);
    return heap;
}

}  // namespace

Bytes MakeCrw(const RawOptions& o) {
    Bytes out = {'I', 'I'};
    AppendLe32(out, 26);
    AppendText(out, "HEAPCCDR");
    AppendLe32(out, 0x00010002);
    out.resize(26, 0);

    Bytes makeModel;
    AppendText(makeModel, "Canon");
    makeModel.push_back(0);
    AppendText(makeModel, Or(o.model, "Canon EOS 10D"));
    makeModel.push_back(0);
    Bytes timeStamp;
    AppendLe32(timeStamp, 1061468400);  // 2003-08-21
    AppendLe32(timeStamp, 0);
    AppendLe32(timeStamp, 0);
    const Bytes exifInfo = CiffHeap({{0x080A, makeModel}, {0x180E, timeStamp}});
    Bytes imageInfo;
    AppendLe32(imageInfo, o.width);
    AppendLe32(imageInfo, o.height);
    AppendLe32(imageInfo, 0x3FC00000);  // pixel aspect ratio 1.5 (float)
    AppendLe32(imageInfo, 0);           // rotation
    AppendLe32(imageInfo, 12);          // component bit depth
    AppendLe32(imageInfo, 12);          // colour bit depth
    AppendLe32(imageInfo, 1);           // colour bw
    const Bytes imageProps = CiffHeap({{0x1810, imageInfo}, {0x300B, exifInfo}});

    const Bytes root =
        o.propertiesFirst
            ? CiffHeap({{0x300A, imageProps}, {0x2008, Preview(o.width, o.height, o.seed)}})
            : CiffHeap({{0x2007, Preview(o.width, o.height, o.seed)},
                        {0x300A, imageProps},
                        {0x2005, RawWords(o.width, o.height, o.seed, false)}});
    out.insert(out.end(), root.begin(), root.end());
    return out;
}

// ---------------------------------------------------------------- MRW

Bytes MakeMrw(const RawOptions& o) {
    const uint32_t w = o.width & ~1u, h = o.height;
    Bytes blocks;
    auto block = [&](const char* name, const Bytes& body) {
        blocks.push_back(0);
        AppendText(blocks, name);
        AppendBe32(blocks, U32(body.size()));
        blocks.insert(blocks.end(), body.begin(), body.end());
    };
    Bytes prd;
    AppendText(prd, "21810002");
    AppendBe16(prd, h);       // sensor height
    AppendBe16(prd, w);       // sensor width
    AppendBe16(prd, h);       // image height
    AppendBe16(prd, w);       // image width
    prd.push_back(o.unpacked ? 16 : 12);  // data size
    prd.push_back(12);                    // pixel size
    prd.push_back(o.unpacked ? 'R' : 'Y');
    prd.push_back(0);
    AppendBe16(prd, 0);
    AppendBe16(prd, 0x0001);  // RGGB
    block("PRD", prd);
    Bytes wbg = {0, 0, 0, 0};
    for (uint32_t c : {0x01C8u, 0x0100u, 0x0100u, 0x0208u}) AppendBe16(wbg, c);
    block("WBG", wbg);
    Bytes rif(40, 0);
    rif[1] = 100;  // saturation, contrast, sharpness... left at their defaults
    block("RIF", rif);
    CTiffBuilder t(true, {'M', 'M', 0, 0x2A});
    const auto ifd0 = t.AddIfd();
    const auto exif = t.AddIfd();
    t.Longs(ifd0, 256, {w});
    t.Longs(ifd0, 257, {h});
    t.Ascii(ifd0, 271, "Minolta Co., Ltd.");
    t.Ascii(ifd0, 272, Or(o.model, "DiMAGE A1"));
    t.Ascii(ifd0, 306, "2004:02:14 15:20:11");
    t.OffsetsOf(ifd0, 34665, {exif});
    ExifIfd(t, exif, "2004:02:14 15:20:11");
    block("TTW", t.Build());
    // Padding so that the image data begins on a 512-byte boundary.
    const size_t unpadded = 8 + blocks.size() + 8;
    block("PAD", Bytes((512 - unpadded % 512) % 512, 0));

    Bytes out = {0, 'M', 'R', 'M'};
    AppendBe32(out, U32(blocks.size()));
    out.insert(out.end(), blocks.begin(), blocks.end());
    const Bytes data = o.unpacked ? RawWords(w, h, o.seed, true) : RawPacked12(w, h, o.seed);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

}  // namespace tvn::media

namespace tvn::media {

Bytes MakeMpfJpeg(const Bytes& primary, const std::vector<Bytes>& previews) {
    if (primary.size() < 4 || primary[0] != 0xFF || primary[1] != 0xD8) {
        throw std::invalid_argument("not a JPEG");
    }
    // After SOI, and after an APP1 segment that follows it.
    size_t at = 2;
    if (primary[2] == 0xFF && primary[3] == 0xE1) {
        at = 4 + (size_t{primary[4]} << 8 | primary[5]);
    }
    const auto count = static_cast<uint32_t>(previews.size() + 1);
    // APP2: "MPF\0", a big-endian TIFF header, one IFD of three entries
    // (version, number of images, the entries' offset), then the entries.
    constexpr uint32_t kIfdAt = 8;
    constexpr uint32_t kEntries = 3;
    const uint32_t entriesAt = kIfdAt + 2 + 12 * kEntries + 4;
    const uint32_t indexSize = entriesAt + 16 * count;
    const size_t segment = 4 + 4 + indexSize;  // marker, length, "MPF\0", index
    const size_t total = primary.size() + segment;
    const size_t tiffAt = at + 8;  // file offset of the index's TIFF header

    Bytes index;
    AppendText(index, "MM");
    AppendBe16(index, 0x2A);
    AppendBe32(index, kIfdAt);
    AppendBe16(index, kEntries);
    AppendBe16(index, 0xB000);  // MPFVersion
    AppendBe16(index, 7);
    AppendBe32(index, 4);
    AppendText(index, "0100");
    AppendBe16(index, 0xB001);  // NumberOfImages
    AppendBe16(index, 4);
    AppendBe32(index, 1);
    AppendBe32(index, count);
    AppendBe16(index, 0xB002);  // MPEntry
    AppendBe16(index, 7);
    AppendBe32(index, 16 * count);
    AppendBe32(index, entriesAt);
    AppendBe32(index, 0);  // no next IFD
    // The primary image (offset 0 by definition), then each preview.
    AppendBe32(index, 0x20030000);
    AppendBe32(index, U32(total));
    AppendBe32(index, 0);
    AppendBe32(index, 0);
    size_t next = total;
    for (const Bytes& p : previews) {
        AppendBe32(index, 0x00010001);  // a large thumbnail
        AppendBe32(index, U32(p.size()));
        AppendBe32(index, U32(next - tiffAt));
        AppendBe32(index, 0);
        next += p.size();
    }
    Bytes body;
    AppendText(body, std::string_view("MPF\0", 4));
    body.insert(body.end(), index.begin(), index.end());

    Bytes out(primary.begin(), primary.begin() + static_cast<std::ptrdiff_t>(at));
    Segment(out, 0xE2, body);
    out.insert(out.end(), primary.begin() + static_cast<std::ptrdiff_t>(at), primary.end());
    for (const Bytes& p : previews) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace tvn::media
