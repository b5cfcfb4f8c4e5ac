// The TIFF-family rules: TIF, ORF, CR2, NEF/SR2 and SRF.
//
// A TIFF file names its byte order in its first byte ("I" little-endian, "M"
// big-endian); the offset of IFD0 is the 32-bit number at 4. An IFD at O holds
// a 16-bit entry count n, n entries of 12 bytes (tag, type, count, value or
// value offset) and the 32-bit offset of the next IFD at O + 2 + 12n. The
// rules read an entry's "value" as the 32-bit field at entry + 8 and its
// "count" as the 32-bit field at entry + 4, whatever the entry's type.
//
// Every number is read through CTiffView, which answers nothing for a read
// that would leave the file, so a damaged or truncated file can only end a
// walk early.
#include <algorithm>
#include <optional>

#include "output/repair.h"

namespace tvn {

namespace {

constexpr uint16_t kTagCompression = 259;
constexpr uint16_t kTagStripOffsets = 273;
constexpr uint16_t kTagStripByteCounts = 279;
constexpr uint16_t kTagSubIfds = 330;
constexpr uint16_t kTagJpegOffset = 513;
constexpr uint16_t kTagJpegLength = 514;
constexpr uint16_t kTagExifIfd = 34665;
constexpr uint16_t kTagMakerNote = 37500;

// A chain of IFDs longer than this is taken to loop back on itself.
constexpr int kMaxChainedIfds = 32;

class CTiffView {
public:
    CTiffView(std::span<const uint8_t> data, bool bigEndian) : m_data(data), m_be(bigEndian) {}

    uint64_t Size() const { return m_data.size(); }

    std::optional<uint16_t> U16(uint64_t off) const {
        if (off > m_data.size() || m_data.size() - off < 2) return std::nullopt;
        const uint8_t* p = m_data.data() + off;
        return static_cast<uint16_t>(m_be ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8));
    }
    std::optional<uint32_t> U32(uint64_t off) const {
        if (off > m_data.size() || m_data.size() - off < 4) return std::nullopt;
        const uint8_t* p = m_data.data() + off;
        if (m_be) {
            return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
                   (static_cast<uint32_t>(p[2]) << 8) | p[3];
        }
        return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }

private:
    std::span<const uint8_t> m_data;
    bool m_be;
};

struct Entry {
    uint64_t at = 0;  // offset of the entry
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t value = 0;  // the 32-bit field at entry + 8
};

std::optional<Entry> ReadEntry(const CTiffView& v, uint64_t ifd, uint32_t index) {
    Entry e;
    e.at = ifd + 2 + 12 * uint64_t{index};
    const auto tag = v.U16(e.at);
    const auto type = v.U16(e.at + 2);
    const auto count = v.U32(e.at + 4);
    const auto value = v.U32(e.at + 8);
    if (!tag || !type || !count || !value) return std::nullopt;
    e.tag = *tag;
    e.type = *type;
    e.count = *count;
    e.value = *value;
    return e;
}

uint32_t TypeSize(uint16_t type) {
    switch (type) {
        case 1:
        case 2:
        case 6:
        case 7:
            return 1;  // BYTE, ASCII, SBYTE, UNDEFINED
        case 3:
        case 8:
            return 2;  // SHORT, SSHORT
        case 4:
        case 9:
        case 11:
        case 13:
            return 4;  // LONG, SLONG, FLOAT, IFD
        case 5:
        case 10:
        case 12:
            return 8;  // RATIONAL, SRATIONAL, DOUBLE
        default:
            return 0;
    }
}

// Element i of an entry's array, typed (SHORT or LONG), wherever it lies.
std::optional<uint32_t> Element(const CTiffView& v, const Entry& e, uint64_t i) {
    const uint32_t size = e.type == 3 ? 2 : 4;
    const uint64_t bytes = uint64_t{e.count} * size;
    const uint64_t base = bytes <= 4 ? e.at + 8 : e.value;
    if (size == 2) {
        const auto x = v.U16(base + 2 * i);
        if (!x) return std::nullopt;
        return uint32_t{*x};
    }
    return v.U32(base + 4 * i);
}

// Grows end to cover [start, start + length), counting only what begins
// inside the file and only up to its end.
void Cover(uint64_t& end, uint64_t start, uint64_t length, uint64_t n) {
    if (start >= n) return;
    end = std::max(end, std::min(start + length, n));
}

// The end of everything an IFD holds or points to: its table with the next-IFD
// offset, the out-of-line data of its entries, its strips and its JPEG
// interchange block. 0 when the IFD cannot be read.
uint64_t IfdStructureEnd(const CTiffView& v, uint64_t ifd) {
    const uint64_t n = v.Size();
    const auto count = v.U16(ifd);
    if (!count) return 0;
    uint64_t end = 0;
    Cover(end, ifd, 2 + 12 * uint64_t{*count} + 4, n);
    std::optional<Entry> offsets, lengths, jpegOffset, jpegLength;
    for (uint32_t i = 0; i < *count; ++i) {
        const auto e = ReadEntry(v, ifd, i);
        if (!e) break;
        const uint64_t bytes = uint64_t{e->count} * TypeSize(e->type);
        if (bytes > 4) Cover(end, e->value, bytes, n);
        if (e->tag == kTagStripOffsets) offsets = e;
        if (e->tag == kTagStripByteCounts) lengths = e;
        if (e->tag == kTagJpegOffset) jpegOffset = e;
        if (e->tag == kTagJpegLength) jpegLength = e;
    }
    if (offsets && lengths) {
        const uint64_t strips = std::min(offsets->count, lengths->count);
        for (uint64_t i = 0; i < strips; ++i) {
            const auto off = Element(v, *offsets, i);
            const auto len = Element(v, *lengths, i);
            if (!off || !len) break;
            Cover(end, *off, *len, n);
        }
    }
    if (jpegOffset && jpegLength) Cover(end, jpegOffset->value, jpegLength->value, n);
    return end;
}

// The last element of a 4-byte array at offset base of c elements.
std::optional<uint32_t> LastOf(const CTiffView& v, uint32_t base, uint32_t c) {
    return v.U32(uint64_t{base} + 4 * uint64_t{c} - 4);
}

// R as a rule measured it, raised to the end of the structures it walked and
// capped at the file's length. No size stays no size.
uint64_t Settle(uint64_t r, uint64_t walkedEnd, uint64_t n) {
    if (r == 0) return 0;
    return std::min(std::max(r, walkedEnd), n);
}

bool HasTiffHeader(std::span<const uint8_t> d) {
    return d.size() >= 2 && ((d[0] == 'I' && d[1] == 'I') || (d[0] == 'M' && d[1] == 'M'));
}

void Line(IReporter& console, std::string_view text) {
    std::string line(text);
    line += '\n';
    console.Console(line);
}

// The strip rule the ORF and NEF/SR2 routines share, at a StripByteCounts
// entry with count c and value V: the end of the last strip.
uint64_t LastStripEnd(const CTiffView& v, uint32_t s, const Entry& counts) {
    if (counts.count > 1) {
        const auto off = LastOf(v, s, counts.count);
        const auto len = LastOf(v, counts.value, counts.count);
        if (!off || !len) return 0;
        return uint64_t{*off} + *len;
    }
    if (counts.count == 1) return uint64_t{s} + counts.value;
    return 0;
}

}  // namespace

uint64_t TifRealSize(std::span<const uint8_t> d, IReporter& console) {
    const uint64_t n = d.size();
    if (n == 0 || (d[0] != 'I' && d[0] != 'M')) return 0;
    const bool le = d[0] == 'I';
    const CTiffView v(d, !le);
    Line(console, le ? "\tgot intel header" : "\tgot mac header");
    const auto o = v.U32(4);
    if (!o) return 0;
    if (*o > n) return std::min<uint64_t>(512, n);
    const auto count = v.U16(*o);
    if (!count || *count == 0 || *count > 60) return 0;
    const uint64_t walked = IfdStructureEnd(v, *o);

    uint16_t compression = 0;
    uint32_t s = 0;
    uint64_t r = 0;
    for (uint32_t i = 0; i < *count; ++i) {
        const auto e = ReadEntry(v, *o, i);
        if (!e) break;
        if (e->tag == kTagCompression) compression = v.U16(e->at + 8).value_or(0);
        if (e->tag == kTagStripOffsets) {
            s = e->value;
            if (le && s > n) {
                r = n / 4;
                break;
            }
        }
        if (e->tag == kTagStripByteCounts) {
            const uint32_t c = e->count;
            if (c > 1 && compression == 5) {
                const auto off = LastOf(v, s, c);
                const auto len = LastOf(v, e->value, c);
                if (off && len) r = uint64_t{*off} + *len;
                Line(console, "\tgot actual file size no of component > 1");
            } else if (c > 1 && (compression == 1 || compression == 2)) {
                // The end of IFD0 with its next-IFD offset.
                r = *o + 2 + 12 * uint64_t{*count} + 4;
            } else if (c == 1) {
                r = uint64_t{s} + e->value;
                Line(console, "\tgot actual file size no of component = 1");
            }
            break;
        }
    }
    return Settle(r, walked, n);
}

uint64_t OrfRealSize(std::span<const uint8_t> d, IReporter& console) {
    const uint64_t n = d.size();
    if (!HasTiffHeader(d)) return n / 4;
    const CTiffView v(d, d[0] == 'M');
    Line(console, "\tgot intel header");
    const auto o = v.U32(4);
    if (!o) return 0;
    const auto count = v.U16(*o);
    if (!count) return 0;
    const uint64_t walked = IfdStructureEnd(v, *o);

    uint32_t s = 0;
    uint64_t r = 0;
    bool found = false;
    for (uint32_t i = 0; i < *count && !found; ++i) {
        const auto e = ReadEntry(v, *o, i);
        if (!e) break;
        if (e->tag == kTagStripOffsets) s = e->value;
        if (e->tag == kTagStripByteCounts) {
            r = LastStripEnd(v, s, *e);
            Line(console, "\tgot actual file size");
            found = true;
        }
    }
    if (!found) r = n / 4;
    return Settle(r, walked, n);
}

uint64_t Cr2RealSize(std::span<const uint8_t> d, IReporter& console) {
    const uint64_t n = d.size();
    if (!HasTiffHeader(d)) return n / 4;
    const bool le = d[0] == 'I';
    const CTiffView v(d, !le);
    const auto o = v.U32(4);
    if (!o) return 0;
    Line(console, le ? "\tgot intel header" : "in mac header");
    if (*o > n) return std::min<uint64_t>(512, n);

    // The raw image's strip is described by the last IFD of the chain.
    uint64_t walked = 0;
    uint64_t r = 0;
    uint64_t ifd = *o;
    for (int visited = 0; visited < kMaxChainedIfds; ++visited) {
        const auto count = v.U16(ifd);
        if (!count || *count >= 1000) break;
        const auto next = v.U32(ifd + 2 + 12 * uint64_t{*count});
        if (!next) break;
        walked = std::max(walked, IfdStructureEnd(v, ifd));
        if (*next >= n) break;
        if (*next == 0) {
            uint32_t s = 0;
            bool found = false;
            for (uint32_t i = 0; i < *count && !found; ++i) {
                const auto e = ReadEntry(v, ifd, i);
                if (!e) break;
                if (e->tag == kTagStripOffsets) s = e->value;
                if (e->tag == kTagStripByteCounts) {
                    r = uint64_t{e->count} * e->value + s;
                    Line(console, "\tgot actual file size");
                    found = true;
                }
            }
            if (!found) r = n / 4;
            Line(console, "\tgoing to break outermost loop");
            break;
        }
        ifd = *next;
    }
    return Settle(r, walked, n);
}

uint64_t NefSr2RealSize(std::span<const uint8_t> d, IReporter& console) {
    const uint64_t n = d.size();
    if (!HasTiffHeader(d)) return n / 4;
    const bool le = d[0] == 'I';
    const CTiffView v(d, !le);
    if (le) Line(console, "\tgot intel header");
    const auto o = v.U32(4);
    if (!o) return 0;
    const auto count = v.U16(*o);
    if (!count) return 0;
    uint64_t walked = IfdStructureEnd(v, *o);

    // IFD0's SubIFDs entry: with one sub-IFD its value is the sub-IFD; with
    // more, the second of the listed ones holds the raw image.
    std::optional<uint64_t> sub;
    for (uint32_t i = 0; i < *count; ++i) {
        const auto e = ReadEntry(v, *o, i);
        if (!e) break;
        if (e->tag != kTagSubIfds) continue;
        if (e->count == 1) {
            sub = e->value;
        } else if (e->count > 1) {
            const auto second = v.U32(uint64_t{e->value} + 4);
            if (!second) return 0;
            sub = *second;
        }
        break;
    }
    if (!sub) return Settle(n / 4, walked, n);
    if (*sub > n) return Settle(n / 4, walked, n);
    const auto subCount = v.U16(*sub);
    if (!subCount) return 0;
    if (*subCount > 1000) return Settle(n / 4, walked, n);
    walked = std::max(walked, IfdStructureEnd(v, *sub));

    uint32_t s = 0;
    for (uint32_t i = 0; i < *subCount; ++i) {
        const auto e = ReadEntry(v, *sub, i);
        if (!e) break;
        if (e->tag == kTagStripOffsets) s = e->value;
        if (e->tag == kTagStripByteCounts) {
            const uint64_t r = LastStripEnd(v, s, *e);
            Line(console, "\tgot actual file size");
            return Settle(r, walked, n);
        }
    }
    return Settle(n / 4, walked, n);
}

uint64_t SrfRealSize(std::span<const uint8_t> d, IReporter& console) {
    const uint64_t n = d.size();
    if (n == 0 || (d[0] != 'I' && d[0] != 'M')) return 0;
    const bool le = d[0] == 'I';
    const CTiffView v(d, !le);
    Line(console, le ? "\tgot intel header" : "\tgot mac header");
    const auto o = v.U32(4);
    if (!o) return 0;
    if (*o > n) return std::min<uint64_t>(512, n);

    // IFD0, then the IFD its Exif pointer names, and on while an IFD names
    // another; the MakerNote entry settles the size.
    uint32_t s = 0, c = 0, value = 0;
    uint64_t walked = 0;
    uint64_t ifd = *o;
    for (int visited = 0; visited < kMaxChainedIfds; ++visited) {
        const auto count = v.U16(ifd);
        if (!count) break;
        walked = std::max(walked, IfdStructureEnd(v, ifd));
        uint32_t exif = 0;
        for (uint32_t i = 0; i < *count; ++i) {
            const auto e = ReadEntry(v, ifd, i);
            if (!e) break;
            if (e->tag == kTagStripOffsets) s = e->value;
            if (e->tag == kTagStripByteCounts) {
                c = e->count;
                value = e->value;
            }
            if (e->tag == kTagExifIfd) exif = e->value;
            if (e->tag == kTagMakerNote) {
                const uint64_t r = uint64_t{c} * value + s + e->count + e->value;
                return Settle(r, walked, n);
            }
        }
        if (exif == 0) break;
        ifd = exif;
    }
    return 0;
}

}  // namespace tvn
