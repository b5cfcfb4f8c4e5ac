#include "tools/media/jpeg_trailers.h"

#include <stdexcept>
#include <string_view>

namespace tvn::media {

namespace {

void Be16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void Be32(Bytes& out, uint32_t v) {
    Be16(out, v >> 16);
    Be16(out, v & 0xFFFF);
}
void Le16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Le32(Bytes& out, uint32_t v) {
    Le16(out, v & 0xFFFF);
    Le16(out, v >> 16);
}
void Text(Bytes& out, std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }
void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
uint32_t U32(size_t v) {
    if (v > 0xFFFFFFFFu) throw std::length_error("too large");
    return static_cast<uint32_t>(v);
}

void CheckJpeg(const Bytes& jpeg) {
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) throw std::invalid_argument("not a JPEG");
}

// Inserts an APP1 segment holding data right after the SOI.
Bytes WithApp1(const Bytes& jpeg, const Bytes& data) {
    if (data.size() + 2 > 0xFFFF) throw std::length_error("APP1 segment too long");
    Bytes out{0xFF, 0xD8, 0xFF, 0xE1};
    Be16(out, U32(data.size() + 2));
    Append(out, data);
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

}  // namespace

Bytes MakeCameraJpegWithPreview(const JpegOptions& main, const Bytes& preview, size_t padding,
                                size_t app1End) {
    JpegOptions o = main;
    o.app = JpegApp::None;  // the tables follow the APP1 segment built here
    return WithMakerNotePreview(MakeJpeg(o), preview, padding, app1End);
}

Bytes WithMakerNotePreview(const Bytes& body, const Bytes& preview, size_t padding,
                           size_t app1End) {
    CheckJpeg(body);
    CheckJpeg(preview);
    // "Exif\0\0", then a little-endian TIFF header, IFD0 with the Exif IFD's
    // offset, the Exif IFD with the maker note, and the maker note: an IFD
    // whose offsets count from the TIFF header, as many cameras write it.
    constexpr uint32_t kIfd0 = 8;
    constexpr uint32_t kExifIfd = kIfd0 + 2 + 12 + 4;
    constexpr uint32_t kMakerNote = kExifIfd + 2 + 12 + 4;
    constexpr uint32_t kMakerNoteSize = 2 + 2 * 12 + 4;
    constexpr size_t kTiffAt = 2 + 4 + 6;  // SOI, marker and length, "Exif\0\0"
    size_t dataSize = 6 + kMakerNote + kMakerNoteSize;
    if (app1End != 0) {
        if (app1End < 6 + dataSize + 2) throw std::invalid_argument("APP1 end too early");
        dataSize = app1End - 6;
    }
    // SOI, the APP1 marker, its length, its data, and the body after its SOI.
    const size_t mainSize = 6 + dataSize + body.size() - 2;
    const size_t previewAt = mainSize + padding;

    Bytes data;
    Text(data, std::string_view("Exif\0\0", 6));
    Text(data, "II");
    Le16(data, 42);
    Le32(data, kIfd0);
    Le16(data, 1);
    Le16(data, 0x8769);  // ExifIFD
    Le16(data, 4);
    Le32(data, 1);
    Le32(data, kExifIfd);
    Le32(data, 0);
    Le16(data, 1);
    Le16(data, 0x927C);  // MakerNote
    Le16(data, 7);
    Le32(data, kMakerNoteSize);
    Le32(data, kMakerNote);
    Le32(data, 0);
    Le16(data, 2);
    Le16(data, 0x0001);  // the preview's offset
    Le16(data, 4);
    Le32(data, 1);
    Le32(data, U32(previewAt - kTiffAt));
    Le16(data, 0x0002);  // and its length
    Le16(data, 4);
    Le32(data, 1);
    Le32(data, U32(preview.size()));
    Le32(data, 0);
    if (app1End != 0) {
        data.resize(dataSize, 0);
        data[dataSize - 2] = 0xFF;
        data[dataSize - 1] = 0xD8;
    }
    Bytes out = WithApp1(body, data);
    if (out.size() != mainSize) throw std::logic_error("layout");
    out.resize(out.size() + padding, 0);
    Append(out, preview);
    return out;
}

Bytes MakeMotionPhoto(const Bytes& jpeg, const Bytes& movie, bool containerDirectory) {
    CheckJpeg(jpeg);
    const std::string n = std::to_string(movie.size());
    std::string xmp =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
        "xmlns:GCamera=\"http://ns.google.com/photos/1.0/camera/\"";
    if (containerDirectory) {
        xmp += " xmlns:Container=\"http://ns.google.com/photos/1.0/container/\""
               " xmlns:Item=\"http://ns.google.com/photos/1.0/container/item/\""
               " GCamera:MotionPhoto=\"1\" GCamera:MotionPhotoVersion=\"1\">"
               "<Container:Directory><rdf:Seq>"
               "<rdf:li rdf:parseType=\"Resource\"><Container:Item Item:Mime=\"image/jpeg\""
               " Item:Semantic=\"Primary\" Item:Length=\"0\" Item:Padding=\"0\"/></rdf:li>"
               "<rdf:li rdf:parseType=\"Resource\"><Container:Item Item:Mime=\"video/mp4\""
               " Item:Semantic=\"MotionPhoto\" Item:Length=\"" +
               n + "\" Item:Padding=\"0\"/></rdf:li></rdf:Seq></Container:Directory>"
                   "</rdf:Description>";
    } else {
        xmp += " GCamera:MicroVideo=\"1\" GCamera:MicroVideoVersion=\"1\" GCamera:MicroVideoOffset=\"" +
               n + "\" GCamera:MicroVideoPresentationTimestampUs=\"0\"/>";
    }
    xmp += "</rdf:RDF></x:xmpmeta>";
    Bytes data;
    Text(data, std::string_view("http://ns.adobe.com/xap/1.0/\0", 29));
    Text(data, xmp);
    Bytes out = WithApp1(jpeg, data);
    Append(out, movie);
    return out;
}

Bytes MakeIptc(const std::string& caption, size_t padTo) {
    // Record version 4, then the caption's dataset header.
    Bytes out{0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04, 0x1C, 0x02, 0x78};
    Be16(out, U32(caption.size()));
    Text(out, caption);
    if (out.size() < padTo) out.resize(padTo, 0);
    return out;
}

Bytes AppendAfcp(const Bytes& jpeg, const Bytes& iptc, bool bigEndian) {
    CheckJpeg(jpeg);
    const auto u16 = [bigEndian](Bytes& b, uint32_t v) { bigEndian ? Be16(b, v) : Le16(b, v); };
    const auto u32 = [bigEndian](Bytes& b, uint32_t v) { bigEndian ? Be32(b, v) : Le32(b, v); };
    const std::string_view mark = bigEndian ? "AXS!" : "AXS*";
    Bytes out = jpeg;
    const size_t start = out.size();
    Text(out, mark);
    u16(out, 0x0100);  // version
    u16(out, 1);       // entries
    u32(out, 0);       // checksum
    Text(out, "IPTC");
    u32(out, U32(iptc.size()));
    u32(out, U32(start + 12 + 12));
    Append(out, iptc);
    Text(out, mark);
    u32(out, U32(start));
    u32(out, 0);
    return out;
}

Bytes AppendFotoStation(const Bytes& jpeg, const std::vector<std::pair<uint16_t, Bytes>>& records) {
    CheckJpeg(jpeg);
    Bytes out = jpeg;
    for (const auto& [tag, data] : records) {
        Append(out, data);
        Be16(out, tag);
        Be32(out, U32(data.size() + 10));
        Be32(out, 0xA1B2C3D4);
    }
    return out;
}

Bytes AppendPhotoMechanic(const Bytes& jpeg, const Bytes& iptc) {
    CheckJpeg(jpeg);
    Bytes data = iptc;
    if (data.size() < 0x800) data.resize(0x800, 0);
    Bytes out = jpeg;
    Append(out, data);
    Be32(out, U32(data.size()));
    Text(out, "cbipcbbl");
    return out;
}

Bytes AppendSamsungTrailer(const Bytes& jpeg, const Bytes& audio) {
    CheckJpeg(jpeg);
    Bytes out = jpeg;
    const size_t block = out.size();
    const std::string_view name = "SoundShot_Audio";
    Le16(out, 0);
    Le16(out, 0x0100);
    Le32(out, U32(name.size()));
    Text(out, name);
    Append(out, audio);
    const size_t blockSize = out.size() - block;
    const size_t dir = out.size();
    Text(out, "SEFH");
    Le32(out, 101);  // version
    Le32(out, 1);    // entries
    Le16(out, 0);
    Le16(out, 0x0100);
    Le32(out, U32(dir - block));  // back from "SEFH" to the block
    Le32(out, U32(blockSize));
    Le32(out, U32(out.size() - dir));
    Text(out, "SEFT");
    return out;
}

}  // namespace tvn::media
