// JPEG: the marker segments by their lengths from SOI, through the entropy-
// coded data of every scan (0xFF 0x00 stuffing, RST markers, fill bytes), up
// to and including EOI. A camera that stores further images after the first
// (the previews of a Multi-Picture file) lists them in an APP2 "MPF" index;
// the file then ends with the last of them.
//
// What cameras, phones and photo software put after the EOI belongs to the
// file too, and each piece is followed by its own structure:
// - a preview JPEG whose offset the Exif data (usually the maker note) holds,
//   at the EOI or after a short run of padding;
// - a complete JPEG that starts right at the EOI;
// - a motion photo's movie: XMP "GCamera:MicroVideoOffset" or the
//   "Container:Directory" item lengths, or an "ftyp" box right at the EOI;
// - the trailers of AFCP ("AXS!"), FotoStation (records closed by A1 B2 C3
//   D4), Photo Mechanic ("cbipcbbl") and Samsung ("SEFH" ... "SEFT").
// An image or movie that starts exactly on a sector boundary may as well be
// the next file on the medium: there it is taken only when the file's own
// metadata points at it.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

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

// The first 0xFF from pos on that begins a marker (not stuffing, a restart
// marker or a fill byte), or kNone. The bytes are looked at where they lie,
// a stretch at a time; only a 0xFF at the end of a stretch is looked past.
uint64_t EntropyEnd(CByteSource& src, uint64_t pos) {
    for (;;) {
        const std::span<const uint8_t> bytes = src.Contiguous(pos);
        if (bytes.empty()) return CByteSource::kNone;
        const uint8_t* base = bytes.data();
        const uint8_t* end = base + bytes.size();
        const uint8_t* p = base;
        uint64_t next = pos + bytes.size();  // where the search goes on
        while (p < end) {
            p = static_cast<const uint8_t*>(std::memchr(p, 0xFF, static_cast<size_t>(end - p)));
            if (p == nullptr) break;
            const uint64_t ff = pos + static_cast<uint64_t>(p - base);
            uint8_t after = 0;
            if (p + 1 < end) {
                after = p[1];
            } else {  // the next byte lies in the next stretch
                const auto b = src.U8(ff + 1);
                if (!b) return CByteSource::kNone;
                after = *b;
            }
            if (after != 0x00 && !IsRst(after) && after != 0xFF) return ff;
            const uint64_t skip = after == 0xFF ? 1 : 2;
            if (p + skip >= end) {
                next = ff + skip;
                break;
            }
            p += skip;
        }
        pos = next;
    }
}

// The bytes of a source from base on, as a source of their own: a file
// inside a file, walked with the walk of its kind.
class CShiftedSource : public CByteSource {
public:
    CShiftedSource(CByteSource& inner, uint64_t base)
        : CByteSource(inner.Limit() > base ? inner.Limit() - base : 0),
          m_inner(inner),
          m_base(base) {}

protected:
    Stretch Fetch(uint64_t pos) override { return {pos, m_inner.Contiguous(m_base + pos)}; }

private:
    CByteSource& m_inner;
    uint64_t m_base;
};

constexpr uint64_t kSector = 512;
// Padding between the EOI and a preview the Exif data points at.
constexpr uint64_t kMaxPadding = 256;
// How far a trailer's closing mark is looked for.
constexpr uint64_t kTrailerWindow = 4u << 20;
constexpr uint64_t kSamsungWindow = 64u << 20;
// Bytes of an APP1 segment looked at for offsets and XMP items.
constexpr uint64_t kMaxMetadata = 65535;
// Pieces followed after the EOI, at most.
constexpr int kMaxPieces = 8;

// What the header segments tell about the bytes after the EOI.
struct AfterEoiFacts {
    std::vector<uint8_t> exif;  // the Exif APP1 data ("Exif\0\0" and the TIFF data)
    uint64_t exifAt = 0;        // where that data begins in the file
    uint64_t microVideo = 0;    // GCamera:MicroVideoOffset: the movie's length
    uint64_t items = 0;         // Container:Directory: the secondary items' lengths
    uint64_t lastItem = 0;      // the length of the last item listed
};

bool ReadSegment(CByteSource& src, uint64_t data, uint64_t length, std::vector<uint8_t>& out) {
    out.resize(static_cast<size_t>(std::min(length, kMaxMetadata)));
    return src.Read(data, out.data(), out.size());
}

// The decimal number after name (as name="123" or <name>123<), or 0.
uint64_t XmpNumber(std::string_view xmp, std::string_view name, size_t* from) {
    const size_t at = xmp.find(name, *from);
    if (at == std::string_view::npos) {
        *from = xmp.size();
        return 0;
    }
    size_t p = at + name.size();
    *from = p;
    while (p < xmp.size() && (xmp[p] == '=' || xmp[p] == '"' || xmp[p] == '\'' ||
                              xmp[p] == '>' || xmp[p] == ' '))
        ++p;
    uint64_t n = 0;
    int digits = 0;
    while (p < xmp.size() && xmp[p] >= '0' && xmp[p] <= '9' && digits < 12) {
        n = n * 10 + static_cast<uint64_t>(xmp[p] - '0');
        ++p;
        ++digits;
    }
    return n;
}

void ReadXmp(const std::vector<uint8_t>& bytes, AfterEoiFacts& facts) {
    const std::string_view xmp(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    size_t from = 0;
    facts.microVideo = std::max(facts.microVideo, XmpNumber(xmp, "MicroVideoOffset", &from));
    for (const std::string_view name : {std::string_view("Item:Length"), std::string_view("Item:Padding")}) {
        from = 0;
        while (from < xmp.size()) {
            const uint64_t n = XmpNumber(xmp, name, &from);
            facts.items += n;
            if (name == "Item:Length" && n != 0) facts.lastItem = n;
        }
    }
}

// Whether the Exif data holds a 4-byte offset that names pos, counted from
// the TIFF header after "Exif\0\0" or from a TIFF header of its own inside
// it (a maker note's), in either byte order.
bool ExifPointsAt(const AfterEoiFacts& facts, uint64_t pos) {
    const std::vector<uint8_t>& b = facts.exif;
    if (b.size() < 14) return false;
    std::vector<uint64_t> bases{facts.exifAt + 6};
    for (size_t i = 8; i + 4 <= b.size(); ++i) {
        if ((b[i] == 'I' && b[i + 1] == 'I' && b[i + 2] == 42 && b[i + 3] == 0) ||
            (b[i] == 'M' && b[i + 1] == 'M' && b[i + 2] == 0 && b[i + 3] == 42))
            bases.push_back(facts.exifAt + i);
    }
    for (const uint64_t base : bases) {
        if (pos < base || pos - base > 0xFFFFFFFFu) continue;
        const auto v = static_cast<uint32_t>(pos - base);
        const uint8_t le[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                               static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
        const uint8_t be[4] = {le[3], le[2], le[1], le[0]};
        for (size_t i = 0; i + 4 <= b.size(); ++i) {
            if (std::memcmp(&b[i], le, 4) == 0 || std::memcmp(&b[i], be, 4) == 0) return true;
        }
    }
    return false;
}

WalkResult WalkJpegImage(CByteSource& src, int depth);

// The end of a complete JPEG at pos, or 0.
uint64_t WholeJpegAt(CByteSource& src, uint64_t pos, int depth) {
    static constexpr uint8_t kStart[] = {0xFF, 0xD8, 0xFF};
    if (depth > 1 || !src.Equal(pos, kStart, 3)) return 0;
    CShiftedSource inner(src, pos);
    const WalkResult w = WalkJpegImage(inner, depth + 1);
    return w.measured && !w.openEnded ? pos + w.length : 0;
}

// The end of a movie whose "ftyp" box begins at pos, or 0.
uint64_t MovieAt(CByteSource& src, uint64_t pos) {
    static constexpr uint8_t kFtyp[] = {'f', 't', 'y', 'p'};
    if (!src.Equal(pos + 4, kFtyp, 4)) return 0;
    CShiftedSource inner(src, pos);
    const WalkResult w = WalkMovie(inner);
    return w.measured && !w.openEnded ? pos + w.length : 0;
}

// The first position in [from, to) where the bytes of text begin, or kNone.
uint64_t FindText(CByteSource& src, uint64_t from, uint64_t to, std::string_view text) {
    for (uint64_t p = from; p < to;) {
        p = src.FindByte(p, static_cast<uint8_t>(text[0]));
        if (p == CByteSource::kNone || p >= to) return CByteSource::kNone;
        if (src.Equal(p, text.data(), text.size())) return p;
        ++p;
    }
    return CByteSource::kNone;
}

// AFCP: header "AXS!" (big-endian) or "AXS*" (little-endian), version,
// entry count, checksum; entries of tag, size and absolute offset; the data;
// and a closing record of the header mark, the header's offset and a checksum.
uint64_t AfcpAt(CByteSource& src, uint64_t pos) {
    uint8_t head[4];
    if (!src.Read(pos, head, 4) || head[0] != 'A' || head[1] != 'X' || head[2] != 'S' ||
        (head[3] != '!' && head[3] != '*'))
        return 0;
    const bool be = head[3] == '!';
    const auto count = src.U16(pos + 6, be);
    if (!count || *count > 256) return 0;
    uint64_t dataEnd = pos + 12 + 12ULL * *count;
    for (uint32_t i = 0; i < *count; ++i) {
        const auto size = src.U32(pos + 12 + 12ULL * i + 4, be);
        const auto offset = src.U32(pos + 12 + 12ULL * i + 8, be);
        if (!size || !offset) return 0;
        dataEnd = std::max(dataEnd, uint64_t{*offset} + *size);
    }
    const auto closes = [&](uint64_t at) {
        const auto start = src.U32(at + 4, be);
        return src.Equal(at, head, 4) && start && *start == pos && src.U32(at + 8, be);
    };
    if (closes(dataEnd)) return dataEnd + 12;
    // Offsets that do not fit (software that moved the trailer): the closing
    // record names where the trailer begins.
    const std::string_view mark(reinterpret_cast<const char*>(head), 4);
    for (uint64_t p = pos + 12; p < pos + kTrailerWindow;) {
        p = FindText(src, p, pos + kTrailerWindow, mark);
        if (p == CByteSource::kNone) return 0;
        if (closes(p)) return p + 12;
        ++p;
    }
    return 0;
}

// FotoStation: records of data and a 10-byte footer (tag, size with the
// footer, A1 B2 C3 D4), one after another.
uint64_t FotoStationAt(CByteSource& src, uint64_t pos) {
    static constexpr std::string_view kSig("\xA1\xB2\xC3\xD4", 4);
    uint64_t end = 0;
    for (uint64_t record = pos;;) {
        uint64_t found = 0;
        for (uint64_t p = record + 6; p < record + kTrailerWindow;) {
            p = FindText(src, p, record + kTrailerWindow, kSig);
            if (p == CByteSource::kNone) break;
            const auto size = src.U32(p - 4, true);
            if (size && *size >= 10 && *size == p + 4 - record) {
                found = p + 4;
                break;
            }
            ++p;
        }
        if (found == 0) return end;
        end = record = found;
    }
}

// Photo Mechanic: IPTC data, its size (big-endian) and "cbipcbbl".
uint64_t PhotoMechanicAt(CByteSource& src, uint64_t pos) {
    for (uint64_t p = pos + 4; p < pos + kTrailerWindow;) {
        p = FindText(src, p, pos + kTrailerWindow, "cbipcbbl");
        if (p == CByteSource::kNone) return 0;
        const auto size = src.U32(p - 4, true);
        if (size && *size == p - 4 - pos) return p + 8;
        ++p;
    }
    return 0;
}

// Samsung: data blocks (0, type, name length, name, data), then the "SEFH"
// directory (version, count, entries of type, distance back from "SEFH" and
// size) closed by its length and "SEFT". The first block begins here.
uint64_t SamsungAt(CByteSource& src, uint64_t pos) {
    const auto zero = src.U16(pos, false);
    const auto nameLength = src.U32(pos + 4, false);
    if (!zero || *zero != 0 || !nameLength || *nameLength == 0 || *nameLength > 256) return 0;
    // A block's name is text ("SoundShot_Meta_Info", ...).
    for (uint64_t i = 0; i < std::min<uint64_t>(*nameLength, 8); ++i) {
        const auto c = src.U8(pos + 8 + i);
        if (!c || *c < 0x20 || *c > 0x7E) return 0;
    }
    for (uint64_t h = pos + 8; h < pos + kSamsungWindow;) {
        h = FindText(src, h, pos + kSamsungWindow, "SEFH");
        if (h == CByteSource::kNone) return 0;
        const auto count = src.U32(h + 8, false);
        if (count && *count > 0 && *count <= 1024) {
            uint64_t first = 0;
            bool ok = true;
            for (uint32_t i = 0; i < *count && ok; ++i) {
                const auto back = src.U32(h + 12 + 12ULL * i + 4, false);
                const auto size = src.U32(h + 12 + 12ULL * i + 8, false);
                ok = back && size && *back <= h - pos && *size <= *back;
                if (ok) first = std::max<uint64_t>(first, *back);
            }
            if (ok && first == h - pos) {
                // The directory's length stands before "SEFT".
                const uint64_t from = h + 12 + 12ULL * *count;
                for (uint64_t t = from; t < from + 4096;) {
                    t = FindText(src, t, from + 4096, "SEFT");
                    if (t == CByteSource::kNone) break;
                    const auto length = src.U32(t - 4, false);
                    if (length && *length == t - 4 - h) return t + 4;
                    ++t;
                }
            }
        }
        ++h;
    }
    return 0;
}

// The end of what follows the main image from end on.
uint64_t AfterEoi(CByteSource& src, uint64_t eoiEnd, uint64_t end, const AfterEoiFacts& facts,
                  int depth) {
    uint64_t before = eoiEnd;  // where the last piece began
    for (int piece = 0; piece < kMaxPieces; ++piece) {
        const bool onSector = end % kSector == 0;
        uint64_t next = 0;
        // A FotoStation record whose data was a JPEG taken as the last
        // piece: its footer follows it.
        if (piece > 0) {
            static constexpr uint8_t kSig[] = {0xA1, 0xB2, 0xC3, 0xD4};
            const auto size = src.U32(end + 2, true);
            if (size && *size == end + 10 - before && src.Equal(end + 6, kSig, 4)) {
                next = end + 10;
                const uint64_t more = FotoStationAt(src, next);
                if (more > next) next = more;
            }
        }
        // A JPEG at the EOI, or after padding where the Exif data points.
        if (next == 0 && (!onSector || ExifPointsAt(facts, end)))
            next = WholeJpegAt(src, end, depth);
        if (next == 0 && !facts.exif.empty()) {
            for (uint64_t p = end; p < end + kMaxPadding && next == 0; ++p) {
                const auto b = src.U8(p);
                if (!b) break;
                if (*b == 0xFF && src.U8(p + 1) == 0xD8) {
                    if (p != end && ExifPointsAt(facts, p)) next = WholeJpegAt(src, p, depth);
                    break;
                }
                if (*b != 0x00 && *b != 0xFF) break;
            }
        }
        if (next == 0) next = AfcpAt(src, end);
        if (next == 0) {
            const auto b = src.U8(end);
            // IPTC data, or a thumbnail JPEG as the first record.
            if (b == 0x1C || (b == 0xFF && src.U8(end + 1) == 0xD8))
                next = FotoStationAt(src, end);
            if (next == 0 && b == 0x1C) next = PhotoMechanicAt(src, end);
        }
        if (next == 0) next = SamsungAt(src, end);
        // A motion photo's movie: where the XMP items say, or right here.
        if (next == 0 && (facts.microVideo != 0 || facts.lastItem != 0)) {
            const uint64_t length = facts.microVideo != 0 ? facts.microVideo : facts.lastItem;
            static constexpr uint8_t kFtyp[] = {'f', 't', 'y', 'p'};
            const uint64_t byItems = eoiEnd + facts.items;
            if (facts.items >= length && byItems > end &&
                src.Equal(byItems - length + 4, kFtyp, 4) && src.U8(byItems - 1)) {
                next = byItems;
            } else if (src.Equal(end + 4, kFtyp, 4) && src.U8(end + length - 1)) {
                next = end + length;
            }
        }
        if (next == 0 && !onSector) next = MovieAt(src, end);
        if (next <= end) return end;
        before = end;
        end = next;
    }
    return end;
}

WalkResult WalkJpegImage(CByteSource& src, int depth) {
    static constexpr uint8_t kSoiBytes[] = {0xFF, kSoi};
    static constexpr uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    static constexpr char kXmp[] = "http://ns.adobe.com/xap/1.0/";
    if (!src.Equal(0, kSoiBytes, 2)) return WalkResult::Broken();
    uint64_t pos = 2;
    uint64_t extra = 0;  // end of the further images of an MPF index
    bool damagedIndex = false;
    bool frame = false;
    AfterEoiFacts facts;
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
            uint64_t end = std::max(pos + 2, extra);
            if (depth == 0) end = AfterEoi(src, pos + 2, end, facts, depth);
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
        if (*m == 0xE1 && !frame && depth == 0) {
            std::vector<uint8_t> bytes;
            if (facts.exif.empty() && *length >= 2 + 14 && src.Equal(data, kExif, 6) &&
                ReadSegment(src, data, *length - 2U, bytes)) {
                facts.exif = std::move(bytes);
                facts.exifAt = data;
            } else if (*length >= 2 + sizeof kXmp && src.Equal(data, kXmp, sizeof kXmp) &&
                       ReadSegment(src, data, *length - 2U, bytes)) {
                ReadXmp(bytes, facts);
            }
        }
        if (IsFrameMarker(*m)) frame = true;
        pos += 2 + uint64_t{*length};
        if (*m != kSos) continue;
        if (!frame) return WalkResult::Broken();
        // Entropy-coded data: runs up to the first 0xFF that is neither
        // stuffing (FF 00), a restart marker nor a fill byte.
        pos = EntropyEnd(src, pos);
        if (pos == CByteSource::kNone) return WalkResult::Broken();
    }
}

}  // namespace

WalkResult WalkJpeg(CByteSource& src) { return WalkJpegImage(src, 0); }

}  // namespace tvn
