// Camera files. TIFF and the raw formats built on it (NEF, CR2, SR2, SRF,
// ORF): the end of the farthest structure the IFDs reach — the IFD chain,
// SubIFDs, Exif, GPS and interoperability IFDs, every entry's out-of-line
// values (maker notes among them), strips, tiles and embedded JPEG previews.
// CRW: the CIFF root heap, which ends with its own table. MRW: the header
// blocks and the image data the PRD block announces.
#include <algorithm>
#include <optional>
#include <vector>

#include "scan/exact/walks.h"

namespace tvn {

namespace {

constexpr uint16_t kStripOffsets = 273;
constexpr uint16_t kStripByteCounts = 279;
constexpr uint16_t kTileOffsets = 324;
constexpr uint16_t kTileByteCounts = 325;
constexpr uint16_t kSubIfds = 330;
constexpr uint16_t kJpegOffset = 513;
constexpr uint16_t kJpegLength = 514;
constexpr uint16_t kExifIfd = 34665;
constexpr uint16_t kGpsIfd = 34853;
constexpr uint16_t kInteropIfd = 40965;

constexpr size_t kMaxIfds = 256;
constexpr uint16_t kMaxEntries = 4096;
constexpr uint32_t kMaxValues = 1U << 20;

uint32_t TypeSize(uint16_t type) {
    switch (type) {
        case 1: case 2: case 6: case 7: return 1;   // BYTE, ASCII, SBYTE, UNDEFINED
        case 3: case 8: return 2;                   // SHORT, SSHORT
        case 4: case 9: case 11: case 13: return 4; // LONG, SLONG, FLOAT, IFD
        case 5: case 10: case 12: return 8;         // RATIONAL, SRATIONAL, DOUBLE
        default: return 0;
    }
}

struct Entry {
    uint16_t tag, type;
    uint32_t count;
    uint8_t field[4];  // the value, or the offset of the values
};

class CTiffWalk {
public:
    CTiffWalk(CByteSource& src, bool be) : m_src(src), m_be(be) {}

    uint32_t Field32(const Entry& e) const {
        const uint8_t* f = e.field;
        return m_be ? uint32_t{f[0]} << 24 | uint32_t{f[1]} << 16 | uint32_t{f[2]} << 8 | f[3]
                    : uint32_t{f[3]} << 24 | uint32_t{f[2]} << 16 | uint32_t{f[1]} << 8 | f[0];
    }

    // The numbers of a SHORT, LONG or IFD entry; empty for other types or
    // when they cannot be read.
    std::vector<uint64_t> Values(const Entry& e) {
        std::vector<uint64_t> out;
        const uint32_t unit = (e.type == 3) ? 2 : (e.type == 4 || e.type == 13) ? 4 : 0;
        if (unit == 0 || e.count == 0 || e.count > kMaxValues) return out;
        const uint64_t bytes = uint64_t{e.count} * unit;
        std::vector<uint8_t> raw(static_cast<size_t>(bytes));
        if (bytes <= 4) {
            std::copy(e.field, e.field + bytes, raw.begin());
        } else if (!m_src.Read(Field32(e), raw.data(), raw.size())) {
            return out;
        }
        out.reserve(e.count);
        for (size_t i = 0; i < raw.size(); i += unit) {
            uint64_t v = 0;
            for (uint32_t k = 0; k < unit; ++k) {
                v |= uint64_t{raw[i + k]} << (m_be ? 8 * (unit - 1 - k) : 8 * k);
            }
            out.push_back(v);
        }
        return out;
    }

    // Takes in the structure [first, first + size); false when it lies past
    // the limit.
    bool Reach(uint64_t first, uint64_t size) {
        if (first > m_src.Limit() || size > m_src.Limit() - first) return false;
        m_end = std::max(m_end, first + size);
        return true;
    }

    WalkResult Run(uint64_t firstIfd) {
        m_end = 8;
        std::vector<uint64_t> todo{firstIfd};
        std::vector<uint64_t> seen;
        bool first = true;
        while (!todo.empty()) {
            const uint64_t at = todo.back();
            todo.pop_back();
            if (std::find(seen.begin(), seen.end(), at) != seen.end()) continue;  // a loop
            if (seen.size() >= kMaxIfds) break;
            seen.push_back(at);
            if (!Ifd(at, todo)) {
                // IFD0 must be there; a damaged or foreign pointer further
                // down breaks the walk too, as the file's data are not where
                // it says.
                return WalkResult::Broken();
            }
            first = false;
        }
        if (first) return WalkResult::Broken();
        return WalkResult::Length(m_end);
    }

private:
    bool Ifd(uint64_t at, std::vector<uint64_t>& todo) {
        const auto n = m_src.U16(at, m_be);
        if (!n || *n == 0 || *n > kMaxEntries) return false;
        if (!Reach(at, 2 + 12ULL * *n + 4)) return false;
        std::vector<uint8_t> raw(12U * *n);
        if (!m_src.Read(at + 2, raw.data(), raw.size())) return false;
        std::vector<uint64_t> offsets[3], counts[3];  // strips, tiles, JPEG preview
        for (uint16_t i = 0; i < *n; ++i) {
            const uint8_t* p = raw.data() + 12 * i;
            Entry e{};
            e.tag = static_cast<uint16_t>(m_be ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
            e.type = static_cast<uint16_t>(m_be ? p[2] << 8 | p[3] : p[3] << 8 | p[2]);
            e.count = m_be ? uint32_t{p[4]} << 24 | uint32_t{p[5]} << 16 | uint32_t{p[6]} << 8 | p[7]
                           : uint32_t{p[7]} << 24 | uint32_t{p[6]} << 16 | uint32_t{p[5]} << 8 | p[4];
            std::copy(p + 8, p + 12, e.field);
            const uint32_t unit = TypeSize(e.type);
            if (unit == 0) continue;  // an unknown type says nothing of its size
            const uint64_t bytes = uint64_t{e.count} * unit;
            if (bytes > 4 && !Reach(Field32(e), bytes)) return false;
            switch (e.tag) {
                case kSubIfds:
                case kExifIfd:
                case kGpsIfd:
                case kInteropIfd:
                    for (uint64_t v : Values(e)) {
                        if (v != 0) todo.push_back(v);
                    }
                    break;
                case kStripOffsets: offsets[0] = Values(e); break;
                case kStripByteCounts: counts[0] = Values(e); break;
                case kTileOffsets: offsets[1] = Values(e); break;
                case kTileByteCounts: counts[1] = Values(e); break;
                case kJpegOffset: offsets[2] = Values(e); break;
                case kJpegLength: counts[2] = Values(e); break;
                default: break;
            }
        }
        for (int k = 0; k < 3; ++k) {
            const size_t pieces = std::min(offsets[k].size(), counts[k].size());
            for (size_t i = 0; i < pieces; ++i) {
                if (!Reach(offsets[k][i], counts[k][i])) return false;
            }
        }
        const auto next = m_src.U32(at + 2 + 12ULL * *n, m_be);
        if (!next) return false;
        if (*next != 0) todo.push_back(*next);
        return true;
    }

    CByteSource& m_src;
    bool m_be;
    uint64_t m_end = 0;
};

}  // namespace

WalkResult WalkTiff(CByteSource& src) {
    uint8_t h[4];
    if (!src.Read(0, h, 4)) return WalkResult::Broken();
    bool be;
    if (h[0] == 'I' && h[1] == 'I' &&
        ((h[2] == 0x2A && h[3] == 0) || (h[2] == 'U' && h[3] == 0) ||  // TIFF, RW2
         (h[2] == 'R' && (h[3] == 'O' || h[3] == 'S')))) {
        be = false;
    } else if (h[0] == 'M' && h[1] == 'M' && ((h[2] == 0 && h[3] == 0x2A) || (h[2] == 'O' && h[3] == 'R'))) {
        be = true;
    } else {
        return WalkResult::Broken();
    }
    const auto first = src.U32(4, be);
    if (!first || *first < 8) return WalkResult::Broken();
    CTiffWalk walk(src, be);
    return walk.Run(*first);
}

// A CIFF file is its 26-byte header and the root heap; the heap ends with its
// table: a 16-bit entry count, ten bytes per entry (type, size, offset) and
// the 32-bit offset of the table within the heap. The file's end is the first
// position n whose last four bytes name a table that ends exactly at n and
// whose entries lie inside the heap before it. The candidates are found by
// the top byte of that offset, which must be the byte just before n.
WalkResult WalkCrw(CByteSource& src) {
    static constexpr char kSignature[] = "HEAPCCDR";
    const auto header = src.U32(2, false);
    if (!src.Equal(0, "II", 2) || !src.Equal(6, kSignature, 8) || !header || *header < 14 ||
        *header > 4096) {
        return WalkResult::Broken();
    }
    const uint64_t heap = *header;
    constexpr uint64_t kMinTail = 2 + 10 + 4;           // one entry
    constexpr uint64_t kMaxTail = 2 + 10 * 4096ULL + 4;  // 4,096 entries
    const auto valid = [&](uint64_t n) -> bool {
        const auto v = src.U32(n - 4, false);
        if (!v || heap + *v > n) return false;
        const uint64_t tail = n - heap - *v;
        if (tail < kMinTail || tail > kMaxTail || (tail - 6) % 10 != 0) return false;
        const uint64_t table = heap + *v;
        const auto count = src.U16(table, false);
        if (!count || *count != (tail - 6) / 10) return false;
        bool data = false;
        for (uint32_t i = 0; i < *count; ++i) {
            const uint64_t e = table + 2 + 10ULL * i;
            const auto type = src.U16(e, false);
            const auto size = src.U32(e + 2, false);
            const auto offset = src.U32(e + 6, false);
            if (!type || !size || !offset) return false;
            const unsigned where = *type & 0xC000U;
            if (where == 0x4000) continue;  // the value lives in the entry itself
            if (where != 0) return false;
            if (uint64_t{*offset} + *size > *v) return false;
            data = data || *size > 0;
        }
        return data;
    };
    const uint64_t limit = src.Limit();
    // Whether the table ending at n lists the main image (raw data 0x2005 or
    // the JPEG 0x2007), which only the root heap holds.
    const auto holdsImage = [&](uint64_t n) {
        const auto v = src.U32(n - 4, false);
        const auto count = v ? src.U16(heap + *v, false) : std::nullopt;
        for (uint32_t i = 0; count && i < *count; ++i) {
            const auto type = src.U16(heap + *v + 2 + 10ULL * i, false);
            if (type && ((*type & 0x3FFF) == 0x2005 || (*type & 0x3FFF) == 0x2007)) return true;
        }
        return false;
    };
    // A heap that is the root heap's first record ends with a table of its
    // own that passes for the root's: its offsets count from the same place.
    // The root's table then follows and lists it as a subdirectory record of
    // offset 0 and size n - heap; the end is where that table's records and
    // its final offset agree.
    const auto enclosing = [&](uint64_t n) -> uint64_t {
        const auto size = static_cast<uint32_t>(n - heap);
        const uint8_t want[8] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                 static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24),
                                 0, 0, 0, 0};
        for (uint64_t h = n + 2; h + 8 <= limit;) {
            h = src.FindByte(h, want[0]);
            if (h == CByteSource::kNone) return 0;
            const auto type = src.U16(h - 2, false);
            const unsigned kind = type ? (*type >> 8) & 0x38U : 0;
            if (src.Equal(h, want, 8) && (kind == 0x28 || kind == 0x30)) {
                const uint64_t entry = h - 2;
                for (uint64_t k = 0; k < 4096 && entry >= n + 2 + 10 * k; ++k) {
                    const uint64_t table = entry - 2 - 10 * k;
                    const auto count = src.U16(table, false);
                    if (!count || *count <= k) continue;
                    const uint64_t end = table + 2 + 10ULL * *count + 4;
                    const auto v = src.U32(end - 4, false);
                    if (v && heap + *v == table && valid(end)) return end;
                }
            }
            if (src.Broken()) return 0;
            ++h;
        }
        return 0;
    };
    for (uint64_t top = 0; (top << 24) + heap + kMinTail <= limit; ++top) {
        // The ends n whose table offset can have this top byte.
        const uint64_t from = (top << 24) + heap + kMinTail;
        const uint64_t to = std::min(limit, ((top + 1) << 24) + heap + kMaxTail);
        for (uint64_t q = from - 1; q < to;) {
            q = src.FindByte(q, static_cast<uint8_t>(top));
            if (q == CByteSource::kNone || q + 1 > to) break;
            if (valid(q + 1)) {
                uint64_t end = q + 1;
                for (int depth = 0; depth < 4 && !holdsImage(end); ++depth) {
                    const uint64_t outer = enclosing(end);
                    if (outer == 0) break;
                    end = outer;
                }
                return WalkResult::Length(end);
            }
            ++q;
        }
        if (src.Broken() || top >= 255) break;
    }
    return WalkResult::Broken();
}

WalkResult WalkMrw(CByteSource& src) {
    uint8_t h[4];
    if (!src.Read(0, h, 4) || h[0] != 0 || h[1] != 'M' || h[2] != 'R' ||
        (h[3] != 'M' && h[3] != 'I')) {
        return WalkResult::Broken();
    }
    const bool be = h[3] == 'M';
    const auto d = src.U32(4, be);
    if (!d) return WalkResult::Broken();
    const uint64_t data = 8 + uint64_t{*d};
    // The header blocks, each a name that opens with a zero byte and a length.
    uint64_t pos = 8;
    for (int blocks = 0; pos < data; ++blocks) {
        const auto zero = src.U8(pos);
        const auto length = src.U32(pos + 4, be);
        if (blocks >= 64 || !zero || *zero != 0 || !length) return WalkResult::Broken();
        pos += 8 + uint64_t{*length};
    }
    static constexpr uint8_t kPrd[] = {0, 'P', 'R', 'D'};
    const auto height = src.U16(24, be);
    const auto width = src.U16(26, be);
    const auto storage = src.U8(34);
    if (pos != data || !src.Equal(8, kPrd, 4) || !height || !width || !storage) {
        return WalkResult::Broken();
    }
    const uint64_t pixels = uint64_t{*height} * *width;
    uint64_t image = 0;
    if (*storage == 0x59) {
        image = pixels * 3 / 2;
    } else if (*storage == 0x52) {
        image = pixels * 2;
    } else {
        return WalkResult::Broken();
    }
    if (data + image > src.Limit()) return WalkResult::Broken();
    return WalkResult::Length(data + image);
}

}  // namespace tvn
