#include "tools/media/modern_writers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

#include "tools/media/av_writers.h"
#include "tools/media/photo_writers.h"

namespace tvn::media {

namespace {

constexpr size_t kSector = 512;

void Be16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
void Be32(Bytes& b, uint32_t v) {
    Be16(b, v >> 16);
    Be16(b, v & 0xFFFF);
}
void Be64(Bytes& b, uint64_t v) {
    Be32(b, static_cast<uint32_t>(v >> 32));
    Be32(b, static_cast<uint32_t>(v));
}
void Text(Bytes& b, const char* s) { b.insert(b.end(), s, s + std::strlen(s)); }
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void PutBe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
uint32_t U32(size_t v) {
    if (v > UINT32_MAX) throw std::length_error("field does not fit in 32 bits");
    return static_cast<uint32_t>(v);
}

// Bulk data of bytes 0x50 to 0x5F: no sector start inside it looks like a
// file of any kind.
Bytes Filler(size_t n, uint32_t seed) {
    Bytes b(n);
    uint32_t x = seed * 2654435761U + 0x9E3779B9U;
    if (x == 0) x = 1;
    for (auto& v : b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        v = static_cast<uint8_t>(0x50 | (x >> 28));
    }
    return b;
}

Bytes Box(const char* type, const Bytes& payload) {
    Bytes b;
    Be32(b, U32(payload.size() + 8));
    Text(b, type);
    Append(b, payload);
    return b;
}
Bytes FullBox(const char* type, uint8_t version, uint32_t flags, const Bytes& payload) {
    Bytes p{version, static_cast<uint8_t>(flags >> 16), static_cast<uint8_t>(flags >> 8),
            static_cast<uint8_t>(flags)};
    Append(p, payload);
    return Box(type, p);
}
Bytes UuidBox(const std::array<uint8_t, 16>& uuid, const Bytes& payload) {
    Bytes p(uuid.begin(), uuid.end());
    Append(p, payload);
    return Box("uuid", p);
}

Bytes PreviewJpeg(uint32_t w, uint32_t h, uint32_t seed) {
    JpegOptions p;
    p.width = std::max(16u, w / 16 * 16);
    p.height = std::max(8u, h / 8 * 8);
    p.app = JpegApp::None;
    p.detail = 3;
    p.seed = seed;
    return MakeJpeg(p);
}

// Filler that brings position `at` off a sector start (a JPEG placed there
// is then no file of its own to a scan).
Bytes OffSectorPad(size_t at, uint32_t seed) {
    return at % kSector == 0 ? Filler(16, seed) : Bytes{};
}

Bytes Mvhd() {
    Bytes p(8, 0);  // creation, modification
    Be32(p, 1000);  // timescale
    Be32(p, 0);     // duration
    Be32(p, 0x00010000);
    Be16(p, 0x0100);
    p.insert(p.end(), 10, 0);
    for (uint32_t v : {0x10000u, 0u, 0u, 0u, 0x10000u, 0u, 0u, 0u, 0x40000000u}) Be32(p, v);
    p.insert(p.end(), 24, 0);
    Be32(p, 2);  // next track id
    return FullBox("mvhd", 0, 0, p);
}

}  // namespace

// --- CR3 -------------------------------------------------------------------

Bytes MakeCr3(const ModernOptions& o, bool largeMdat) {
    static constexpr std::array<uint8_t, 16> kCanon{0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                                    0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
    static constexpr std::array<uint8_t, 16> kXmp{0xbe, 0x7a, 0xcf, 0xcb, 0x97, 0xa9, 0x42, 0xe8,
                                                  0x9c, 0x71, 0x99, 0x94, 0x91, 0xe3, 0xaf, 0xac};
    static constexpr std::array<uint8_t, 16> kPreview{0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                                                      0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16};
    Bytes ftyp;
    Text(ftyp, "crx ");
    Be32(ftyp, 1);
    Text(ftyp, "crx isom");

    // CMT1: a TIFF header and IFD0 with Make and Model.
    CTiffBuilder tiff(false, {'I', 'I', 0x2A, 0});
    const auto ifd0 = tiff.AddIfd();
    tiff.Ascii(ifd0, 271, "Canon");
    tiff.Ascii(ifd0, 272, "Canon EOS R");
    tiff.Ascii(ifd0, 306, "2023:06:14 10:21:33");
    Bytes canon;
    Bytes cncv;
    Text(cncv, "CanonCR3_001/00.09.00/00.00.00");
    Append(canon, Box("CNCV", cncv));
    Append(canon, Box("CMT1", tiff.Build()));
    const Bytes thumbJpeg = PreviewJpeg(160, 120, o.seed + 7);
    Bytes thmb;
    Be16(thmb, 160);
    Be16(thmb, 120);
    Be32(thmb, U32(thumbJpeg.size()));
    Be16(thmb, 1);
    Be16(thmb, 0);
    Append(thmb, thumbJpeg);
    Append(canon, FullBox("THMB", 0, 0, thmb));
    Bytes moov = UuidBox(kCanon, canon);
    Append(moov, Mvhd());

    Bytes xmp;
    Text(xmp, "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF/></x:xmpmeta>");

    const Bytes previewJpeg = PreviewJpeg(o.width, o.height, o.seed);
    Bytes file = Box("ftyp", ftyp);
    Append(file, Box("moov", moov));
    Append(file, UuidBox(kXmp, xmp));
    for (size_t pad = 0;; pad += 4) {
        // The PRVW box: its header fields, then the JPEG; the pad (inside
        // the uuid box's first field) keeps the JPEG off a sector start.
        Bytes prvw;
        Be32(prvw, 0);
        Be16(prvw, 1);
        Be16(prvw, static_cast<uint16_t>(o.width));
        Be16(prvw, static_cast<uint16_t>(o.height));
        Be16(prvw, 1);
        Be32(prvw, U32(previewJpeg.size()));
        Bytes preview(8 + pad, 0);
        preview[7] = 1;
        const size_t jpegAt = file.size() + 8 + 16 + preview.size() + 8 + prvw.size();
        if (jpegAt % kSector == 0) continue;
        Append(prvw, previewJpeg);
        Append(preview, Box("PRVW", prvw));
        Append(file, UuidBox(kPreview, preview));
        break;
    }
    const Bytes data = Filler(o.dataBytes, o.seed);
    if (largeMdat) {
        Be32(file, 1);
        Text(file, "mdat");
        Be64(file, data.size() + 16);
    } else {
        Be32(file, U32(data.size() + 8));
        Text(file, "mdat");
    }
    Append(file, data);
    return file;
}

// --- HEIC ------------------------------------------------------------------

namespace {

Bytes HvcC() {
    Bytes c{1, 0x01, 0x60, 0, 0, 0, 0x90, 0, 0, 0, 0, 0, 90, 0xF0, 0, 0xFC, 0xFD, 0xF8, 0xF8, 0, 0, 0x0F, 0};
    return Box("hvcC", c);
}

Bytes Ispe(uint32_t w, uint32_t h) {
    Bytes p;
    Be32(p, w);
    Be32(p, h);
    return FullBox("ispe", 0, 0, p);
}

Bytes Infe(uint16_t id, const char* type) {
    Bytes p;
    Be16(p, id);
    Be16(p, 0);
    Text(p, type);
    p.push_back(0);  // name
    return FullBox("infe", 2, 0, p);
}

struct Extent {
    uint16_t item;
    uint16_t method;  // 0: file offset, 1: offset in idat
    uint32_t offset, length;
};

Bytes Iloc(const std::vector<Extent>& extents) {
    Bytes p{0x44, 0x00};  // offset and length 4 bytes, no base offset, no index
    Be16(p, static_cast<uint16_t>(extents.size()));
    for (const Extent& e : extents) {
        Be16(p, e.item);
        Be16(p, e.method);
        Be16(p, 0);  // data reference: this file
        Be16(p, 1);  // one extent
        Be32(p, e.offset);
        Be32(p, e.length);
    }
    return FullBox("iloc", 1, 0, p);
}

}  // namespace

Bytes MakeHeic(const ModernOptions& o, bool grid, const char* brand) {
    Bytes ftyp;
    Text(ftyp, brand);
    Be32(ftyp, 0);
    Text(ftyp, "mif1heic");
    const Bytes ftypBox = Box("ftyp", ftyp);

    const uint16_t primary = 1;
    const uint16_t tiles = grid ? 4 : 1;
    const uint16_t firstTile = grid ? 2 : 1;
    const uint32_t tileW = grid ? o.width / 2 : o.width, tileH = grid ? o.height / 2 : o.height;
    // The coded data of each tile, one after the other in mdat.
    const uint32_t tileBytes = std::max<uint32_t>(64, o.dataBytes / tiles);
    Bytes idat;
    if (grid) {
        idat = {0, 0, 1, 1};  // version, flags (16-bit sizes), rows - 1, columns - 1
        Be16(idat, static_cast<uint16_t>(o.width));
        Be16(idat, static_cast<uint16_t>(o.height));
    }

    const auto build = [&](uint32_t mdatData) {
        std::vector<Extent> extents;
        if (grid) extents.push_back({primary, 1, 0, U32(idat.size())});
        for (uint16_t t = 0; t < tiles; ++t) {
            extents.push_back({static_cast<uint16_t>(firstTile + t), 0, mdatData + t * tileBytes, tileBytes});
        }
        Bytes hdlr(4, 0);
        Text(hdlr, "pict");
        hdlr.insert(hdlr.end(), 13, 0);
        Bytes pitm;
        Be16(pitm, primary);
        Bytes iinf;
        Be16(iinf, static_cast<uint16_t>(grid ? 1 + tiles : 1));
        if (grid) Append(iinf, Infe(primary, "grid"));
        for (uint16_t t = 0; t < tiles; ++t) Append(iinf, Infe(static_cast<uint16_t>(firstTile + t), "hvc1"));
        // Properties: 1 hvcC, 2 ispe of a tile, 3 ispe of the whole picture.
        Bytes ipco = HvcC();
        Append(ipco, Ispe(tileW, tileH));
        Append(ipco, Ispe(o.width, o.height));
        Bytes ipma;
        Be32(ipma, grid ? 1U + tiles : 1U);
        if (grid) {
            Be16(ipma, primary);
            ipma.push_back(1);
            ipma.push_back(3);
        }
        for (uint16_t t = 0; t < tiles; ++t) {
            Be16(ipma, static_cast<uint16_t>(firstTile + t));
            ipma.push_back(2);
            ipma.push_back(0x81);  // hvcC, essential
            ipma.push_back(2);
        }
        Bytes iprp = Box("ipco", ipco);
        Append(iprp, FullBox("ipma", 0, 0, ipma));

        Bytes meta = FullBox("hdlr", 0, 0, hdlr);
        Append(meta, FullBox("pitm", 0, 0, pitm));
        Append(meta, Iloc(extents));
        Append(meta, FullBox("iinf", 0, 0, iinf));
        if (grid) {
            Bytes dimg;
            Be16(dimg, primary);
            Be16(dimg, tiles);
            for (uint16_t t = 0; t < tiles; ++t) Be16(dimg, static_cast<uint16_t>(firstTile + t));
            Append(meta, FullBox("iref", 0, 0, Box("dimg", dimg)));
        }
        Append(meta, Box("iprp", iprp));
        if (grid) Append(meta, Box("idat", idat));
        Bytes file = ftypBox;
        Append(file, FullBox("meta", 0, 0, meta));
        return file;
    };
    const size_t head = build(0).size();
    Bytes file = build(U32(head + 8));
    Bytes data;
    for (uint16_t t = 0; t < tiles; ++t) {
        Bytes tile = Filler(tileBytes, o.seed + t);
        // A NAL unit length and header at the start of each tile's data.
        PutBe32(tile, 0, tileBytes - 4);
        tile[4] = 0x26;
        tile[5] = 0x01;
        Append(data, tile);
    }
    Append(file, Box("mdat", data));
    return file;
}

// --- TIFF-family raw files -------------------------------------------------

namespace {

struct TiffRawLayout {
    bool bigEndian;
    Bytes magic;
    Bytes extraHeader;
    const char* make;
    const char* model;
    bool dng = false;
    bool rawInIfd0 = false;  // IFD0 is the raw image (PEF), not a SubIFD
};

Bytes TiffRaw(const ModernOptions& o, const TiffRawLayout& l) {
    CTiffBuilder t(l.bigEndian, l.magic, l.extraHeader);
    const auto ifd0 = t.AddIfd();
    const auto rawIfd = t.AddIfd();
    const auto exif = t.AddIfd();
    const auto ifd1 = t.AddIfd();
    const auto preview = t.AddData(PreviewJpeg(o.width, o.height, o.seed), true);
    const auto raw = t.AddData(Filler(o.dataBytes, o.seed));
    t.Longs(ifd0, 254, {1});
    t.Ascii(ifd0, 271, l.make);
    t.Ascii(ifd0, 272, l.model);
    t.Shorts(ifd0, 274, {1});
    t.Ascii(ifd0, 306, "2023:06:14 10:21:33");
    if (l.rawInIfd0) {
        t.Shorts(ifd0, 259, {65535});  // the maker's own compression
        t.Shorts(ifd0, 262, {32803});  // colour filter array
        t.OffsetsOf(ifd0, 273, {raw});
        t.SizesOf(ifd0, 279, {raw});
    } else {
        t.OffsetsOf(ifd0, 330, {rawIfd});
    }
    t.OffsetsOf(ifd0, 34665, {exif});
    if (l.dng) {
        t.Undefined(ifd0, 50706, {1, 4, 0, 0});  // DNGVersion (BYTE[4] as bytes)
        t.Ascii(ifd0, 50708, std::string(l.make) + " " + l.model);
    }
    t.Chain(ifd0, ifd1);
    t.Shorts(ifd1, 259, {6});
    t.OffsetsOf(ifd1, 513, {preview});
    t.SizesOf(ifd1, 514, {preview});
    t.Longs(rawIfd, 254, {0});
    t.Longs(rawIfd, 256, {o.width});
    t.Longs(rawIfd, 257, {o.dataBytes / 2 / std::max(1u, o.width)});
    t.Shorts(rawIfd, 258, {16});
    t.Shorts(rawIfd, 259, {1});
    t.Shorts(rawIfd, 262, {32803});
    t.OffsetsOf(rawIfd, 273, {raw});
    t.Shorts(rawIfd, 277, {1});
    t.SizesOf(rawIfd, 279, {raw});
    t.Rational(exif, 33434, 1, 60);
    t.Ascii(exif, 36867, "2023:06:14 10:21:33");
    return t.Build();
}

}  // namespace

Bytes MakeArw(const ModernOptions& o) {
    return TiffRaw(o, {false, {'I', 'I', 0x2A, 0}, {}, "SONY", "ILCE-7M3"});
}
Bytes MakePef(const ModernOptions& o) {
    return TiffRaw(o, {true, {'M', 'M', 0, 0x2A}, {}, "PENTAX Corporation", "PENTAX K-5", false, true});
}
Bytes MakeDng(const ModernOptions& o) {
    return TiffRaw(o, {false, {'I', 'I', 0x2A, 0}, {}, "Google", "Pixel 7", true});
}
Bytes MakeNrw(const ModernOptions& o) {
    return TiffRaw(o, {true, {'M', 'M', 0, 0x2A}, {}, "NIKON", "COOLPIX P7000"});
}

Bytes MakeRw2(const ModernOptions& o) {
    const Bytes jpeg = PreviewJpeg(o.width, o.height, o.seed);
    for (size_t pad = 1;; ++pad) {
        // Panasonic's header: "IIU\0", IFD0 at 0x18, and 16 bytes of its own.
        CTiffBuilder t(false, {'I', 'I', 'U', 0},
                       {0x88, 0xE7, 0x74, 0xD8, 0xF8, 0x25, 0x1D, 0x4D, 0x94, 0x7A, 0x6E, 0x77,
                        0x82, 0x2B, 0x5D, 0x6A});
        const auto ifd0 = t.AddIfd();
        const auto raw = t.AddData(Filler(o.dataBytes, o.seed));
        t.Shorts(ifd0, 2, {static_cast<uint16_t>(o.width)});   // sensor width
        t.Shorts(ifd0, 3, {static_cast<uint16_t>(o.dataBytes / 2 / std::max(1u, o.width))});
        t.Undefined(ifd0, 0x2E, jpeg);  // JpgFromRaw
        t.Ascii(ifd0, 271, "Panasonic");
        t.Ascii(ifd0, 272, "DC-GH5");
        t.OffsetsOf(ifd0, 273, {raw});
        t.SizesOf(ifd0, 279, {raw});
        t.Ascii(ifd0, 305, std::string(pad, 'v'));  // software; moves the JPEG
        Bytes b = t.Build();
        const auto at = std::search(b.begin(), b.end(), jpeg.begin(), jpeg.begin() + 4);
        if (static_cast<size_t>(at - b.begin()) % kSector != 0) return b;
    }
}

// --- RAF -------------------------------------------------------------------

Bytes MakeRaf(const ModernOptions& o, bool rawFirst) {
    const Bytes jpeg = PreviewJpeg(o.width, o.height, o.seed);
    Bytes meta;  // the records of the raw data's header: count, then tag, size, data
    Be32(meta, 3);
    for (const uint32_t tag : {0x100u, 0x110u, 0x121u}) {
        Be16(meta, tag);
        Be16(meta, 4);
        Be16(meta, static_cast<uint16_t>(o.height));
        Be16(meta, static_cast<uint16_t>(o.width));
    }
    const Bytes raw = Filler(o.dataBytes, o.seed);

    Bytes file;
    Text(file, "FUJIFILMCCD-RAW 0201FF383501");
    Bytes name(32, 0);
    std::memcpy(name.data(), "X-T3", 4);
    Append(file, name);
    Text(file, "0100");
    file.resize(148, 0);  // the pairs at 84 are filled in below
    const auto place = [&](const Bytes& part, bool offSector) {
        if (offSector) Append(file, OffSectorPad(file.size(), o.seed));
        const uint32_t at = U32(file.size());
        Append(file, part);
        return at;
    };
    uint32_t jpegAt, metaAt, rawAt;
    if (rawFirst) {
        metaAt = place(meta, false);
        rawAt = place(raw, false);
        jpegAt = place(jpeg, true);
    } else {
        jpegAt = place(jpeg, true);
        metaAt = place(meta, false);
        rawAt = place(raw, false);
    }
    const uint32_t fields[] = {jpegAt, U32(jpeg.size()), metaAt, U32(meta.size()), rawAt, U32(raw.size())};
    for (size_t i = 0; i < 6; ++i) PutBe32(file, 84 + 4 * i, fields[i]);
    return file;
}

// --- transport streams -----------------------------------------------------

namespace {

uint32_t MpegCrc(const uint8_t* p, size_t n) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < n; ++i) {
        crc ^= uint32_t{p[i]} << 24;
        for (int k = 0; k < 8; ++k) crc = (crc & 0x80000000U) ? (crc << 1) ^ 0x04C11DB7U : crc << 1;
    }
    return crc;
}

Bytes Section(Bytes body) {  // pointer field, the section, its CRC, stuffing
    const uint32_t crc = MpegCrc(body.data(), body.size());
    Be32(body, crc);
    Bytes payload(184, 0xFF);
    payload[0] = 0;
    std::copy(body.begin(), body.end(), payload.begin() + 1);
    return payload;
}

Bytes Pat() {
    Bytes s{0x00, 0xB0, 13, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xE1, 0x00};
    return Section(s);
}

Bytes Pmt() {
    Bytes s{0x02, 0xB0, 18, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xF0, 0x11, 0xF0, 0x00,
            0x1B, 0xF0, 0x11, 0xF0, 0x00};
    return Section(s);
}

}  // namespace

Bytes MakeTransportStream(const ModernOptions& o, bool m2ts) {
    const size_t packet = m2ts ? 192 : 188;
    Bytes out;
    uint32_t ats = 0x1000 + o.seed;
    uint8_t cc[3] = {0, 0, 0};  // PAT, PMT, video
    const auto put = [&](uint16_t pid, bool start, const Bytes& payload, uint8_t& counter) {
        if (m2ts) {
            Be32(out, ats & 0x3FFFFFFF);
            ats += 1500;
        }
        out.push_back(0x47);
        out.push_back(static_cast<uint8_t>((start ? 0x40 : 0) | (pid >> 8)));
        out.push_back(static_cast<uint8_t>(pid));
        out.push_back(static_cast<uint8_t>(0x10 | (counter++ & 0x0F)));
        Append(out, payload);
    };
    size_t payload = 0;
    uint32_t frame = 0;
    const size_t unit = m2ts ? 32 : o.wholeSectors ? 128 : 1;
    for (size_t n = 0; payload < o.dataBytes || (out.size() / packet) % unit != 0; ++n) {
        if (n % 100 == 0) {
            put(0, true, Pat(), cc[0]);
            put(0x100, true, Pmt(), cc[1]);
            continue;
        }
        Bytes p = Filler(184, o.seed + static_cast<uint32_t>(n));
        const bool start = n % 100 == 1;
        if (start) {
            const uint64_t pts = 90000 + 3003ULL * frame++;
            const Bytes pes{0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x80, 0x05,
                            static_cast<uint8_t>(0x21 | ((pts >> 29) & 0x0E)),
                            static_cast<uint8_t>(pts >> 22),
                            static_cast<uint8_t>(0x01 | ((pts >> 14) & 0xFE)),
                            static_cast<uint8_t>(pts >> 7),
                            static_cast<uint8_t>(0x01 | ((pts << 1) & 0xFE))};
            std::copy(pes.begin(), pes.end(), p.begin());
        }
        put(0x1011, start, p, cc[2]);
        payload += 184;
    }
    return out;
}

Bytes MakeBackToBackClips(ModernOptions o, bool m2ts, size_t* firstLength) {
    o.wholeSectors = true;
    Bytes out = MakeTransportStream(o, m2ts);
    if (firstLength != nullptr) *firstLength = out.size();
    ++o.seed;
    Append(out, MakeTransportStream(o, m2ts));
    return out;
}

Bytes Make3gp(size_t frames, const char* brand) {
    Bytes b = MakeMp4(frames);
    std::memcpy(b.data() + 8, brand, 4);  // the ftyp box's major brand
    return b;
}

void AppendModernSamples(std::vector<SampleFile>& out) {
    ModernOptions o;
    out.push_back({"CR3", "IMG_0001.CR3", MakeCr3(o, false)});
    o.seed = 2;
    out.push_back({"CR3", "IMG_0002.CR3", MakeCr3(o, true)});
    out.push_back({"ARW", "DSC00001.ARW", MakeArw(o)});
    out.push_back({"RAF", "DSCF0001.RAF", MakeRaf(o, false)});
    o.seed = 3;
    out.push_back({"RAF", "DSCF0002.RAF", MakeRaf(o, true)});
    out.push_back({"RW2", "P1000001.RW2", MakeRw2(o)});
    out.push_back({"DNG", "PXL_0001.DNG", MakeDng(o)});
    out.push_back({"PEF", "IMGP0001.PEF", MakePef(o)});
    out.push_back({"NRW", "DSCN0001.NRW", MakeNrw(o)});
    out.push_back({"HEIC", "IMG_0003.HEIC", MakeHeic(o, false)});
    o.seed = 4;
    out.push_back({"HEIC", "IMG_0004.HEIC", MakeHeic(o, true, "mif1")});
    out.push_back({"MTS", "00000.MTS", MakeTransportStream(o, true)});
    out.push_back({"TS", "REC_0001.TS", MakeTransportStream(o, false)});
    out.push_back({"3GP", "VID_0001.3GP", Make3gp(40, "3gp4")});
    out.push_back({"3GP", "VID_0002.3G2", Make3gp(30, "3g2a")});
}

}  // namespace tvn::media
