#include "preview/movie_frame.h"

#include <cstdint>
#include <cstring>

#include "preview/decode.h"

namespace tvn::preview {

namespace {

// A checked view of the bytes.
struct Bytes {
    const uint8_t* data;
    size_t size;
    bool Has(size_t at, size_t n) const { return at <= size && n <= size - at; }
    uint32_t Le32(size_t at) const {
        return uint32_t{data[at]} | uint32_t{data[at + 1]} << 8 | uint32_t{data[at + 2]} << 16 |
               uint32_t{data[at + 3]} << 24;
    }
    uint16_t Le16(size_t at) const { return static_cast<uint16_t>(data[at] | data[at + 1] << 8); }
    uint32_t Be32(size_t at) const {
        return uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 | uint32_t{data[at + 2]} << 8 |
               uint32_t{data[at + 3]};
    }
    uint64_t Be64(size_t at) const { return uint64_t{Be32(at)} << 32 | Be32(at + 4); }
    bool Is(size_t at, const char* four) const { return Has(at, 4) && std::memcmp(data + at, four, 4) == 0; }
};

constexpr int kMaxDepth = 8;
constexpr int kMaxSide = 8192;

QImage Jpeg(const Bytes& b, size_t at, size_t length) {
    if (!b.Has(at, length) || length < 4 || b.data[at] != 0xFF || b.data[at + 1] != 0xD8) return {};
    QImage image;
    const QByteArray frame = QByteArray::fromRawData(reinterpret_cast<const char*>(b.data + at),
                                                     static_cast<qsizetype>(length));
    if (!image.loadFromData(frame, "JPG")) return {};
    return image;
}

// --- AVI ---------------------------------------------------------------------------

struct AviVideo {
    bool known = false;  // the first video stream's format was seen
    uint32_t compression = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bits = 0;
};

QImage Dib(const Bytes& b, size_t at, size_t length, const AviVideo& v) {
    if (v.compression != 0 || v.bits != 24 || v.width <= 0 || v.height == 0) return {};
    const int w = v.width;
    const int h = v.height < 0 ? -v.height : v.height;
    if (w > kMaxSide || h > kMaxSide) return {};
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    if (length < stride * static_cast<size_t>(h) || !b.Has(at, stride * static_cast<size_t>(h))) return {};
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        // Rows run bottom-up unless the height is negative; pixels are BGR.
        const int row = v.height > 0 ? h - 1 - y : y;
        const uint8_t* src = b.data + at + static_cast<size_t>(row) * stride;
        uint8_t* dst = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            dst[x * 3] = src[x * 3 + 2];
            dst[x * 3 + 1] = src[x * 3 + 1];
            dst[x * 3 + 2] = src[x * 3];
        }
    }
    return image;
}

// Walks the chunks in [at, end): the stream headers fill video, the first
// frame of "movi" is decoded.
QImage WalkAvi(const Bytes& b, size_t at, size_t end, AviVideo& video, bool& videoStream, int depth) {
    if (depth > kMaxDepth) return {};
    while (b.Has(at, 8) && at + 8 <= end) {
        const uint32_t length = b.Le32(at + 4);
        const size_t body = at + 8;
        const size_t bodyEnd = body + length > end ? end : body + length;
        if (b.Is(at, "LIST") && b.Has(body, 4)) {
            const bool movi = b.Is(body, "movi");
            if (movi || b.Is(body, "hdrl") || b.Is(body, "strl")) {
                QImage image = WalkAvi(b, body + 4, bodyEnd, video, videoStream, depth + 1);
                if (!image.isNull() || movi) return image;
            }
        } else if (b.Is(at, "strh") && b.Has(body, 8)) {
            videoStream = !video.known && b.Is(body, "vids");
        } else if (b.Is(at, "strf") && videoStream && b.Has(body, 20)) {
            video.known = true;
            video.width = static_cast<int32_t>(b.Le32(body + 4));
            video.height = static_cast<int32_t>(b.Le32(body + 8));
            video.bits = b.Le16(body + 14);
            video.compression = b.Le32(body + 16);
            videoStream = false;
        } else if (b.data[at + 2] == 'd' && (b.data[at + 3] == 'c' || b.data[at + 3] == 'b') && length > 0) {
            // The first video frame; a JPEG tells itself by its first bytes.
            const size_t n = bodyEnd - body;
            if (b.Has(body, 2) && b.data[body] == 0xFF && b.data[body + 1] == 0xD8) return Jpeg(b, body, n);
            return Dib(b, body, n, video);
        }
        at = body + length + (length & 1);
        if (at < body) break;  // overflow
    }
    return {};
}

QImage FirstAviFrame(const Bytes& b) {
    if (!b.Is(0, "RIFF") || !b.Is(8, "AVI ")) return {};
    const size_t end = b.size < 8 + size_t{b.Le32(4)} ? b.size : 8 + size_t{b.Le32(4)};
    AviVideo video;
    bool videoStream = false;
    return WalkAvi(b, 12, end, video, videoStream, 0);
}

// --- QuickTime and MP4 -----------------------------------------------------------

struct Atom {
    size_t body = 0;
    size_t end = 0;
};

// The first child atom of type inside [at, end).
bool FindAtom(const Bytes& b, size_t at, size_t end, const char* type, Atom& found) {
    while (b.Has(at, 8) && at + 8 <= end) {
        uint64_t size = b.Be32(at);
        size_t header = 8;
        if (size == 1) {
            if (!b.Has(at, 16)) return false;
            size = b.Be64(at + 8);
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < header || size > end - at) return false;
        if (b.Is(at + 4, type)) {
            found.body = at + header;
            found.end = at + static_cast<size_t>(size);
            return true;
        }
        at += static_cast<size_t>(size);
    }
    return false;
}

bool Path(const Bytes& b, Atom in, std::initializer_list<const char*> types, Atom& out) {
    for (const char* type : types) {
        if (!FindAtom(b, in.body, in.end, type, in)) return false;
    }
    out = in;
    return true;
}

QImage TrackFrame(const Bytes& b, const Atom& trak) {
    Atom hdlr;
    if (!Path(b, trak, {"mdia", "hdlr"}, hdlr) || !b.Has(hdlr.body, 12) || !b.Is(hdlr.body + 8, "vide")) return {};
    Atom stbl;
    if (!Path(b, trak, {"mdia", "minf", "stbl"}, stbl)) return {};
    Atom stsd, stsz, stco;
    if (!FindAtom(b, stbl.body, stbl.end, "stsd", stsd) || !b.Has(stsd.body, 16)) return {};
    if (!b.Is(stsd.body + 12, "jpeg") && !b.Is(stsd.body + 12, "mjpa")) return {};
    if (!FindAtom(b, stbl.body, stbl.end, "stsz", stsz) || !b.Has(stsz.body, 12)) return {};
    uint32_t size = b.Be32(stsz.body + 4);
    if (size == 0) {
        if (!b.Has(stsz.body, 16) || b.Be32(stsz.body + 8) == 0) return {};
        size = b.Be32(stsz.body + 12);
    }
    uint64_t offset = 0;
    if (FindAtom(b, stbl.body, stbl.end, "stco", stco)) {
        if (!b.Has(stco.body, 12) || b.Be32(stco.body + 4) == 0) return {};
        offset = b.Be32(stco.body + 8);
    } else if (FindAtom(b, stbl.body, stbl.end, "co64", stco)) {
        if (!b.Has(stco.body, 16) || b.Be32(stco.body + 4) == 0) return {};
        offset = b.Be64(stco.body + 8);
    } else {
        return {};
    }
    if (offset > b.size) return {};
    return Jpeg(b, static_cast<size_t>(offset), size);
}

QImage FirstIsoFrame(const Bytes& b) {
    Atom moov;
    if (!FindAtom(b, 0, b.size, "moov", moov)) return {};
    // Each track in turn, until a Motion-JPEG video track gives a frame.
    size_t at = moov.body;
    for (int tracks = 0; tracks < 16; ++tracks) {
        Atom trak;
        if (!FindAtom(b, at, moov.end, "trak", trak)) break;
        QImage image = TrackFrame(b, trak);
        if (!image.isNull()) return image;
        at = trak.end;
    }
    return {};
}

}  // namespace

bool HasMovieFrames(std::string_view type) { return type == "AVI" || type == "MOV" || type == "MP4"; }

QImage FirstMovieFrame(const QByteArray& data, std::string_view type) {
    if (data.isEmpty() || data.size() > kMaxDecodeBytes) return {};
    const Bytes b{reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size())};
    QImage image;
    if (type == "AVI") image = FirstAviFrame(b);
    else if (type == "MOV" || type == "MP4") image = FirstIsoFrame(b);
    if (image.isNull()) return {};
    const uint64_t pixels = static_cast<uint64_t>(image.width()) * static_cast<uint64_t>(image.height());
    if (pixels > kMaxPixels) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace tvn::preview
