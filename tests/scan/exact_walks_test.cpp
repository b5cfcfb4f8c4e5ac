// The structure walks on files of the test-media builder: every file measures
// to its own length whatever follows it and however the bytes are fetched,
// and a file that is cut short or overwritten does not measure as whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "scan/exact/walks.h"
#include "tools/media/av_writers.h"
#include "tools/media/photo_writers.h"
#include "tools/media/samples.h"

namespace tvn {
namespace {

using media::Bytes;

const std::vector<media::SampleFile>& AllSamples() {
    static const std::vector<media::SampleFile> all = [] {
        std::vector<media::SampleFile> v;
        media::AppendPhotoSamples(v);
        media::AppendAvSamples(v);
        return v;
    }();
    return all;
}

FileType TypeOf(const std::string& name) { return *FindTypeByName(name); }

// Deterministic bytes that are no file of any kind.
Bytes Noise(size_t n, uint32_t seed) {
    Bytes b(n);
    uint32_t x = seed * 2654435761U + 1;
    for (auto& v : b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        v = static_cast<uint8_t>(x >> 24);
    }
    return b;
}

WalkResult Walk(FileType type, const Bytes& bytes, size_t stretch = 4096,
                uint64_t limit = CByteSource::kNone) {
    CMemoryByteSource src(bytes, stretch, limit);
    return WalkFile(type, src);
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ExactWalks, EverySampleMeasuresToItsOwnLength) {
    const Bytes zeros(70000, 0);
    const Bytes noise = Noise(70000, 7);
    for (const auto& s : AllSamples()) {
        const FileType type = TypeOf(s.type);
        // Followed by zeros, by noise, by another file of the same type; read
        // in stretches that split every field somewhere. (Two MPEG audio
        // streams without tags back to back are one stream to any reader.)
        const bool bareStream = type == FileType::MP3 && s.data[0] == 0xFF;
        // A JPEG's next file on a medium starts on a sector boundary; one
        // right after its EOI is a piece of it (an appended image).
        Bytes next = s.data;
        if (type == FileType::JPG) {
            next.assign((512 - s.data.size() % 512) % 512, 0);
            next.insert(next.end(), s.data.begin(), s.data.end());
        }
        for (const Bytes* tail : {&zeros, &noise, bareStream ? &zeros : &next}) {
            for (size_t stretch : {size_t{61}, size_t{4096}, size_t{1} << 20}) {
                const WalkResult r = Walk(type, Concat(s.data, *tail), stretch);
                ASSERT_TRUE(r.measured) << s.name << " stretch " << stretch;
                EXPECT_EQ(r.length, s.data.size()) << s.name << " stretch " << stretch;
                EXPECT_FALSE(r.openEnded) << s.name;
            }
        }
        // Exactly as long as the medium allows.
        EXPECT_EQ(Walk(type, s.data).length, s.data.size()) << s.name;
    }
}

TEST(ExactWalks, AFileCutShortIsNeverMeasuredWhole) {
    for (const auto& s : AllSamples()) {
        const FileType type = TypeOf(s.type);
        for (uint64_t keep : {s.data.size() - 1, s.data.size() / 2}) {
            const WalkResult r = Walk(type, s.data, 512, keep);
            // An MP3 has no end mark: cut short, it is a shorter stream.
            if (r.measured) {
                EXPECT_EQ(type, FileType::MP3) << s.name << " cut to " << keep;
                EXPECT_LE(r.length, keep) << s.name;
            }
        }
    }
}

TEST(ExactWalks, OverwrittenStructureBreaks) {
    // Another JPEG written over the middle of a JPEG, PNG or GIF, whose walks
    // read through all of their data: the structure no longer leads to the
    // end. (Formats whose data are skipped by length cannot tell.)
    media::JpegOptions o;
    o.width = 320;
    o.height = 240;
    o.detail = 12;
    const Bytes other = media::MakeJpeg(o);
    for (const auto& s : AllSamples()) {
        const FileType type = TypeOf(s.type);
        if (type != FileType::JPG && type != FileType::PNG && type != FileType::GIF) continue;
        Bytes damaged = s.data;
        const size_t at = damaged.size() / 3;
        const size_t n = std::min(other.size(), damaged.size() - at);
        std::memcpy(damaged.data() + at, other.data(), n);
        const WalkResult r = Walk(type, Concat(damaged, Noise(200000, 3)));
        EXPECT_FALSE(r.measured && r.length == s.data.size()) << s.name;
    }
}

TEST(ExactWalks, JpegProgressiveAndMultiPicture) {
    media::JpegOptions o;
    o.app = media::JpegApp::Jfif;
    o.width = 640;
    o.height = 480;
    o.progressive = true;
    const Bytes progressive = media::MakeJpeg(o);
    // Four scans, each after its tables.
    size_t scans = 0;
    for (size_t i = 0; i + 1 < progressive.size(); ++i) {
        scans += progressive[i] == 0xFF && progressive[i + 1] == 0xDA;
    }
    EXPECT_EQ(scans, 4u);
    EXPECT_EQ(Walk(FileType::JPG, Concat(progressive, Noise(5000, 1))).length,
              progressive.size());

    media::JpegOptions small;
    small.app = media::JpegApp::None;
    small.width = 160;
    small.height = 120;
    const Bytes preview1 = media::MakeJpeg(small);
    small.width = 320;
    small.height = 240;
    const Bytes preview2 = media::MakeJpeg(small);
    o.progressive = false;
    o.app = media::JpegApp::Exif;
    const Bytes primary = media::MakeJpeg(o);
    const Bytes mpf = media::MakeMpfJpeg(primary, {preview1, preview2});
    ASSERT_EQ(mpf.size(), primary.size() + 4 + 4 + 50 + 48 + preview1.size() + preview2.size());
    WalkResult r = Walk(FileType::JPG, Concat(mpf, Noise(5000, 2)), 333);
    EXPECT_TRUE(r.measured);
    EXPECT_EQ(r.length, mpf.size());
    EXPECT_FALSE(r.openEnded);

    // The last preview overwritten: the images before it are whole, and the
    // file is marked.
    Bytes damaged = mpf;
    damaged[mpf.size() - preview2.size()] = 0x00;
    r = Walk(FileType::JPG, damaged);
    EXPECT_TRUE(r.measured);
    EXPECT_TRUE(r.openEnded);
    EXPECT_EQ(r.length, mpf.size() - preview2.size());
}

TEST(ExactWalks, JpegMarkersOutsideTheirPlaceBreak) {
    media::JpegOptions o;
    o.app = media::JpegApp::Jfif;
    Bytes jpeg = media::MakeJpeg(o);
    // EOI before any frame header; an SOI inside the entropy-coded data.
    EXPECT_FALSE(Walk(FileType::JPG, Bytes{0xFF, 0xD8, 0xFF, 0xD9, 0, 0}).measured);
    Bytes nested = jpeg;
    nested[nested.size() - 200] = 0xFF;
    nested[nested.size() - 199] = 0xD8;
    EXPECT_FALSE(Walk(FileType::JPG, nested).measured);
    // Fill bytes before a marker and restart markers in the data are passed.
    Bytes filled = jpeg;
    filled.insert(filled.end() - 2, {0xFF, 0xFF, 0xFF});
    filled.insert(filled.end() - 5, {0xFF, 0xD3});
    EXPECT_EQ(Walk(FileType::JPG, Concat(filled, Noise(100, 4))).length, filled.size());
}

TEST(ExactWalks, Mp3TagsAndFrameSizes) {
    const Bytes stream = media::MakeMp3(40, "Title", 300);
    // ID3v1 after the last frame; an APE tag (header, one item, footer) before it.
    Bytes v1 = stream;
    Bytes tag(128, ' ');
    std::memcpy(tag.data(), "TAG", 3);
    v1.insert(v1.end(), tag.begin(), tag.end());
    EXPECT_EQ(Walk(FileType::MP3, Concat(v1, Bytes(3000, 0))).length, v1.size());

    auto ape = [](bool header) {
        Bytes b(32, 0);
        std::memcpy(b.data(), "APETAGEX", 8);
        b[8] = 0xD0;
        b[9] = 0x07;         // version 2000
        b[12] = 32 + 16;     // items and footer
        b[16] = 1;           // one item
        b[23] = header ? 0xA0 : 0x80;  // has a header; this is it
        return b;
    };
    Bytes withApe = stream;
    for (const Bytes& part : {ape(true), Bytes(16, 'x'), ape(false)}) {
        withApe.insert(withApe.end(), part.begin(), part.end());
    }
    withApe.insert(withApe.end(), tag.begin(), tag.end());
    EXPECT_EQ(Walk(FileType::MP3, Concat(withApe, Bytes(3000, 0))).length, withApe.size());

    // MPEG-2 Layer III, 64 kbit/s at 22,050 Hz: 72 x 64,000 / 22,050 = 208
    // bytes a frame, not the 417 of the MPEG-1 formula.
    Bytes mpeg2;
    for (int i = 0; i < 10; ++i) {
        Bytes f(208, 0);
        f[0] = 0xFF;
        f[1] = 0xF3;
        f[2] = 0x80;
        f[3] = 0xC4;
        mpeg2.insert(mpeg2.end(), f.begin(), f.end());
    }
    EXPECT_EQ(Walk(FileType::MP3, Concat(mpeg2, Bytes(1000, 0))).length, mpeg2.size());
    // One frame alone is no stream.
    EXPECT_FALSE(Walk(FileType::MP3, Concat(media::MakeMp3Frame(false), Bytes(500, 0))).measured);
}

Bytes Atom(const char* type, uint64_t size, bool large = false) {
    // The header is written into bytes that are already there (growing an
    // empty vector a byte at a time trips GCC 12's overread check at -O3).
    Bytes b(std::max<size_t>(static_cast<size_t>(size), 16), 0x11);
    const auto be = [&b](size_t at, uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * (bytes - 1 - i)));
    };
    be(0, large ? 1 : size, 4);
    std::memcpy(b.data() + 4, type, 4);
    if (large) be(8, size, 8);
    b.resize(static_cast<size_t>(size));
    return b;
}

TEST(ExactWalks, MovieAtoms) {
    const Bytes ftyp = Atom("ftyp", 24);
    const Bytes moov = Atom("moov", 400);
    const Bytes mdat = Atom("mdat", 5000, true);  // a 64-bit size
    const Bytes movie = Concat(Concat(ftyp, moov), mdat);
    // The next file's ftyp, or bytes that are no atom, end it.
    EXPECT_EQ(Walk(FileType::MP4, Concat(movie, ftyp)).length, movie.size());
    EXPECT_EQ(Walk(FileType::MP4, Concat(movie, Noise(100, 5))).length, movie.size());
    // A free atom after the data still belongs to the file.
    const Bytes padded = Concat(movie, Atom("free", 64));
    EXPECT_EQ(Walk(FileType::MP4, Concat(padded, Bytes(64, 0))).length, padded.size());
    // A second movie that opens with wide and mdat, as cameras write them.
    const Bytes camera = Concat(Concat(Atom("wide", 8), Atom("mdat", 900)), Atom("moov", 300));
    EXPECT_EQ(Walk(FileType::MOV, Concat(camera, camera)).length, camera.size());
    // No movie atom: not the whole file.
    EXPECT_FALSE(Walk(FileType::MP4, Concat(Concat(ftyp, mdat), Bytes(64, 0))).measured);
    // An mdat of size 0 runs to the end of what is there, and says so.
    Bytes open = Concat(Concat(ftyp, moov), Atom("mdat", 8));
    open[ftyp.size() + moov.size() + 3] = 0;
    open.resize(open.size() + 1000, 0x22);
    const WalkResult r = Walk(FileType::MP4, open);
    EXPECT_TRUE(r.measured && r.openEnded);
    EXPECT_EQ(r.length, open.size());
    // An atom longer than the medium: cut off.
    EXPECT_FALSE(Walk(FileType::MP4, Concat(Concat(ftyp, moov), Atom("mdat", 5000)), 4096, 3000)
                     .measured);
}

TEST(ExactWalks, AviWithOpenDmlParts) {
    const Bytes avi = media::MakeAvi(64, 48, 3);
    Bytes avix = {'R', 'I', 'F', 'F', 12, 0, 0, 0, 'A', 'V', 'I', 'X'};
    avix.resize(20, 0);
    const Bytes both = Concat(Concat(avi, avix), avix);
    EXPECT_EQ(Walk(FileType::AVI, Concat(both, Noise(64, 6))).length, both.size());
}

TEST(ExactWalks, MpegPacksWithOddLengthsAndElementaryStreams) {
    const Bytes ps = media::MakeMpegProgramStream(32, 32, 3);
    // An MPEG-2 pack header with stuffing bytes, whose stream then lies at
    // odd offsets, in front of the program stream's own packs.
    Bytes pack2 = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0, 0, 3, 0xF9, 0xFF};
    pack2.insert(pack2.end(), {0, 0, 1, 0xE0, 0, 4, 0x80, 0, 0, 0});
    EXPECT_EQ(pack2.size() % 2, 1u);
    const Bytes stream = Concat(pack2, ps);
    EXPECT_EQ(Walk(FileType::MPG, Concat(stream, Noise(500, 8))).length, stream.size());
    // A clip with moving pictures, whose coded bits vary from pack to pack.
    const Bytes clip = media::MakeMpegProgramStream(320, 240, 75, 1);
    EXPECT_EQ(Walk(FileType::MPG, Concat(clip, Noise(500, 10))).length, clip.size());
    // A video elementary stream ends with its sequence end code.
    Bytes es = {0, 0, 1, 0xB3, 1, 2, 3, 0, 0, 1, 0xB8, 9, 9, 0, 0, 1, 0xB7};
    EXPECT_EQ(Walk(FileType::MPG, Concat(es, Noise(500, 9))).length, es.size());
    es.resize(es.size() - 1);
    EXPECT_FALSE(Walk(FileType::MPG, es).measured);
}

TEST(ExactWalks, TiffLoopsAndStrayOffsets) {
    // IFD0 whose next-IFD pointer leads back to itself: the walk ends.
    Bytes t = {'I', 'I', 0x2A, 0, 8, 0, 0, 0};
    const auto le32 = [&t](uint32_t v) {
        for (int i = 0; i < 4; ++i) t.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const auto le16 = [&t](uint32_t v) {
        t.push_back(static_cast<uint8_t>(v));
        t.push_back(static_cast<uint8_t>(v >> 8));
    };
    le16(2);
    le16(273); le16(4); le32(1); le32(100);  // StripOffsets
    le16(279); le16(4); le32(1); le32(900);  // StripByteCounts
    le32(8);                                 // next IFD: itself
    t.resize(1000, 0x33);
    EXPECT_EQ(Walk(FileType::TIF, Concat(t, Noise(300, 10))).length, 1000u);
    // A strip beyond the medium: the file is not all there.
    EXPECT_FALSE(Walk(FileType::TIF, t, 4096, 999).measured);
    // No entries in IFD0.
    Bytes empty = {'M', 'M', 0, 0x2A, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(Walk(FileType::TIF, empty).measured);
}

TEST(ExactWalks, ByteSourceBounds) {
    const Bytes b = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xFF};
    CMemoryByteSource src(b, 3, 9);
    EXPECT_EQ(src.Limit(), 9u);
    EXPECT_EQ(src.U32(2, true), 0x03040506u);  // across a stretch boundary
    EXPECT_EQ(src.U32(5, false), 0x09080706u);
    EXPECT_FALSE(src.U32(6, true));  // the last byte lies past the limit
    EXPECT_EQ(src.FindByte(0, 0xFF), CByteSource::kNone);
    EXPECT_EQ(src.FindByte(4, 7), 6u);
    EXPECT_FALSE(src.U8(~uint64_t{0}));
    EXPECT_FALSE(src.Read(~uint64_t{0} - 1, nullptr, 4));
}

}  // namespace
}  // namespace tvn
