// The still-image writers of the media builder: the JPEG and TIFF files decode
// with a real decoder to the pictures they were made from, and the raw files'
// structures (IFDs, strips, CIFF table, MRW header) agree with their sizes.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/test_support.h"
#include "tools/media/photo_writers.h"

namespace tvn {
namespace {

using media::Bytes;

// A Python that has PIL, or empty.
std::string PilPython() {
    for (const char* py : {"python3", "/usr/bin/python3"}) {
        if (test::RunCommand(std::string(py) + " -c 'import PIL' >/dev/null 2>&1") == 0) return py;
    }
    return "";
}

// Runs a Python snippet with PIL; the snippet reads the file at sys.argv[1].
std::string Pil(const std::string& python, const std::string& script, const std::string& file) {
    test::TempDir dir;
    const std::string path = dir / "check.py";
    test::WriteFile(path, Bytes(script.begin(), script.end()));
    std::string out;
    const int rc = test::RunCommand(python + " " + path + " " + file + " 2>&1", &out);
    return rc == 0 ? out : "failed (" + std::to_string(rc) + "): " + out;
}

// Mean luminance of every whole 8x8 block, row by row, as the decoder sees it.
const char* kBlockMeans = R"(import sys
from PIL import Image
im = Image.open(sys.argv[1])
print(im.format, im.size[0], im.size[1])
im.draft('L', im.size)
im.load()
w, h = im.size
px = im.load()
for by in range(h // 8):
    print(' '.join(str(round(sum(px[x, y] for x in range(bx * 8, bx * 8 + 8)
                                 for y in range(by * 8, by * 8 + 8)) / 64))
                   for bx in range(w // 8)))
)";

void ExpectBlocksMatchPattern(const std::string& output, const media::JpegOptions& o) {
    std::istringstream in(output);
    std::string format;
    uint32_t w = 0, h = 0;
    in >> format >> w >> h;
    ASSERT_EQ(format, "JPEG") << output.substr(0, 400);
    ASSERT_EQ(w, o.width);
    ASSERT_EQ(h, o.height);
    int worst = 0;
    for (uint32_t by = 0; by < h / 8; ++by) {
        for (uint32_t bx = 0; bx < w / 8; ++bx) {
            int mean = -1;
            in >> mean;
            worst = std::max(worst, std::abs(mean - media::PatternLuma(o, bx, by)));
        }
    }
    // AC detail averages to zero over a block; only rounding is left.
    EXPECT_LE(worst, 1);
}

TEST(PhotoWriters, JpegsDecodeToTheirPicture) {
    const std::string py = PilPython();
    if (py.empty()) GTEST_SKIP() << "python3 with PIL (python3-pil) is not installed";
    test::TempDir dir;
    media::JpegOptions jfif;
    jfif.width = 96;  // not a whole number of 16x8 units in either direction
    jfif.height = 44;
    jfif.detail = 8;
    jfif.seed = 5;
    const Bytes a = media::MakeJpeg(jfif);
    EXPECT_EQ(Bytes(a.begin(), a.begin() + 4), (Bytes{0xFF, 0xD8, 0xFF, 0xE0}));
    test::WriteFile(dir / "a.jpg", a);
    ExpectBlocksMatchPattern(Pil(py, kBlockMeans, dir / "a.jpg"), jfif);

    media::JpegOptions exif;
    exif.app = media::JpegApp::Exif;
    exif.width = 128;
    exif.height = 64;
    exif.detail = 20;
    exif.make = "Canon";
    exif.model = "Canon PowerShot A520";
    const Bytes b = media::MakeJpeg(exif);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{0xFF, 0xD8, 0xFF, 0xE1}));
    test::WriteFile(dir / "b.jpg", b);
    ExpectBlocksMatchPattern(Pil(py, kBlockMeans, dir / "b.jpg"), exif);
    EXPECT_EQ(Pil(py,
                  "import sys\nfrom PIL import Image\ne = Image.open(sys.argv[1]).getexif()\n"
                  "print(e[271], '|', e[272], '|', e.get_ifd(0x8769)[0xA002])\n",
                  dir / "b.jpg"),
              "Canon | Canon PowerShot A520 | 128\n");

    // The thumbnail in IFD1 is a bare stream of its own that decodes too.
    const Bytes bare = {0xFF, 0xD8, 0xFF, 0xDB};
    const auto thumb = std::search(b.begin() + 2, b.end(), bare.begin(), bare.end());
    ASSERT_NE(thumb, b.end());
    test::WriteFile(dir / "t.jpg", Bytes(thumb, b.end()));
    media::JpegOptions t;
    t.width = 160;
    t.height = 120;
    t.seed = exif.seed;
    ExpectBlocksMatchPattern(Pil(py, kBlockMeans, dir / "t.jpg"), t);

    // Same options, same bytes.
    EXPECT_EQ(media::MakeJpeg(exif), b);
}

// A small reader of TIFF structures, to check the writers' layouts.
struct TiffView {
    explicit TiffView(const Bytes& bytes) : TiffView(bytes, bytes.at(0) == 'M') {}
    TiffView(const Bytes& bytes, bool bigEndian) : b(bytes), be(bigEndian) {}
    uint32_t U16(size_t at) const {
        const uint32_t x = b.at(at), y = b.at(at + 1);
        return be ? (x << 8 | y) : (x | y << 8);
    }
    uint32_t U32(size_t at) const {
        return be ? (U16(at) << 16 | U16(at + 2)) : (U16(at) | U16(at + 2) << 16);
    }
    struct Entry {
        uint32_t count = 0, value = 0;
        bool present = false;
    };
    Entry Find(uint32_t ifd, uint32_t tag) const {
        const uint32_t n = U16(ifd);
        for (uint32_t i = 0; i < n; ++i) {
            const size_t e = ifd + 2 + 12 * i;
            if (U16(e) == tag) return {U32(e + 4), U32(e + 8), true};
        }
        return {};
    }
    uint32_t Next(uint32_t ifd) const { return U32(ifd + 2 + 12 * U16(ifd)); }
    // A LONG array: inline for one value, else at the value offset.
    std::vector<uint32_t> Longs(const Entry& e) const {
        if (e.count == 1) return {e.value};
        std::vector<uint32_t> v;
        for (uint32_t i = 0; i < e.count; ++i) v.push_back(U32(e.value + 4 * i));
        return v;
    }
    // Checks that the strips of an IFD follow each other and returns where
    // the last one ends.
    uint64_t StripsEnd(uint32_t ifd) const {
        const auto offsets = Longs(Find(ifd, 273));
        const auto counts = Longs(Find(ifd, 279));
        EXPECT_EQ(offsets.size(), counts.size());
        EXPECT_FALSE(offsets.empty());
        for (size_t i = 1; i < offsets.size() && i < counts.size(); ++i) {
            EXPECT_EQ(offsets[i], offsets[i - 1] + counts[i - 1]) << "strip " << i;
        }
        return offsets.empty() || counts.empty() ? 0 : uint64_t{offsets.back()} + counts.back();
    }
    size_t TextAt(std::string_view text) const {
        const auto it = std::search(b.begin(), b.end(), text.begin(), text.end());
        return static_cast<size_t>(it - b.begin());
    }
    const Bytes& b;
    bool be;
};

TEST(PhotoWriters, TiffsDecodeToTheirPixelsAndEndWithTheLastStrip) {
    const std::string py = PilPython();
    test::TempDir dir;
    const std::string compare =
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
        "print(im.format, im.mode, im.size[0], im.size[1], "
        "im.tobytes() == open(sys.argv[1] + '.rgb', 'rb').read())\n";
    for (const bool big : {false, true}) {
        media::TiffOptions o;
        o.bigEndian = big;
        o.width = 120;
        o.height = 50;
        o.rowsPerStrip = big ? 16 : 0;
        o.seed = 3;
        const Bytes tif = media::MakeTiff(o);
        const TiffView v(tif);
        const uint32_t ifd0 = v.U32(4);
        EXPECT_EQ(v.StripsEnd(ifd0), tif.size());
        EXPECT_EQ(v.Longs(v.Find(ifd0, 273)).size(), big ? 4u : 1u);
        EXPECT_EQ(v.Longs(v.Find(ifd0, 278)), (std::vector<uint32_t>{big ? 16u : 50u}));
        if (py.empty()) continue;
        const std::string path = dir / (big ? "mm.tif" : "ii.tif");
        test::WriteFile(path, tif);
        test::WriteFile(path + ".rgb", media::PatternRgb(120, 50, 3));
        EXPECT_EQ(Pil(py, compare, path), "TIFF RGB 120 50 True\n");
    }
    // A Nikon raw opens as a TIFF too: IFD0 is its RGB thumbnail.
    media::RawOptions r;
    r.seed = 9;
    const Bytes nef = media::MakeNef(r);
    if (py.empty()) GTEST_SKIP() << "python3 with PIL (python3-pil) is not installed";
    test::WriteFile(dir / "n.nef", nef);
    test::WriteFile(dir / "n.nef.rgb", media::PatternRgb(160, 120, 9));
    EXPECT_EQ(Pil(py, compare, dir / "n.nef"), "TIFF RGB 160 120 True\n");
}

TEST(PhotoWriters, TiffBasedRawsEndWithTheirRawStrips) {
    media::RawOptions o;
    o.width = 200;
    o.height = 150;
    o.strips = 3;
    const uint64_t raw = 200 * 150 * 2;
    {
        // NEF: "NIKON" early; SubIFDs count 2, the second is the raw image.
        const Bytes nef = media::MakeNef(o);
        const TiffView v(nef);
        EXPECT_EQ(Bytes(nef.begin(), nef.begin() + 4), (Bytes{'M', 'M', 0, 0x2A}));
        EXPECT_LE(v.TextAt("NIKON"), 1024u - 5);
        const auto sub = v.Longs(v.Find(v.U32(4), 330));
        ASSERT_EQ(sub.size(), 2u);
        EXPECT_EQ(v.StripsEnd(sub[1]), nef.size());
        EXPECT_EQ(v.Longs(v.Find(sub[1], 279)).size(), 3u);
        const uint32_t jpeg = v.Find(sub[0], 513).value;
        EXPECT_EQ(nef.at(jpeg), 0xFF);
        EXPECT_EQ(nef.at(jpeg + 3), 0xDB);
        EXPECT_NE(jpeg % 512, 0u);  // no embedded picture on a sector start
        EXPECT_EQ(nef.size() - raw, v.Longs(v.Find(sub[1], 273)).front());
    }
    {
        // CR2: "CR" at 8, four IFDs chained, the last one (also named at 12)
        // holding the raw strip.
        const Bytes cr2 = media::MakeCr2(o);
        const TiffView v(cr2);
        EXPECT_EQ(Bytes(cr2.begin(), cr2.begin() + 12),
                  (Bytes{'I', 'I', 0x2A, 0, 16, 0, 0, 0, 'C', 'R', 2, 0}));
        std::vector<uint32_t> chain;
        for (uint32_t ifd = v.U32(4); ifd != 0 && chain.size() < 10; ifd = v.Next(ifd)) {
            chain.push_back(ifd);
        }
        ASSERT_EQ(chain.size(), 4u);
        EXPECT_EQ(v.U32(12), chain[3]);
        EXPECT_EQ(v.Find(chain[3], 279).count, 1u);
        EXPECT_EQ(v.StripsEnd(chain[3]), cr2.size());
        EXPECT_EQ(v.Find(chain[3], 279).value, raw);
    }
    {
        // SR2: "DSC-R1" within the first 512 bytes; SubIFDs count 1.
        const Bytes sr2 = media::MakeSr2(o);
        const TiffView v(sr2);
        EXPECT_LE(v.TextAt("DSC-R1"), 512u);
        EXPECT_LE(v.TextAt("SONY"), 1024u);
        const auto sub = v.Find(v.U32(4), 330);
        ASSERT_EQ(sub.count, 1u);
        EXPECT_EQ(v.StripsEnd(sub.value), sr2.size());
    }
    {
        // SRF: IFD0 is the raw image; its Exif IFD carries a MakerNote.
        const Bytes srf = media::MakeSrf(o);
        const TiffView v(srf);
        EXPECT_LE(v.TextAt("DSC-F828"), 1024u);
        EXPECT_EQ(v.StripsEnd(v.U32(4)), srf.size());
        const uint32_t exif = v.Find(v.U32(4), 34665).value;
        const auto note = v.Find(exif, 37500);
        ASSERT_TRUE(note.present);
        EXPECT_EQ(std::string(srf.begin() + note.value, srf.begin() + note.value + 9),
                  "SONY DSC ");
        EXPECT_LE(uint64_t{note.value} + note.count, srf.size() - raw);  // before the raw data
    }
    {
        // ORF: "IIRO" instead of a TIFF header; IFD0 is the raw image.
        const Bytes orf = media::MakeOrf(o);
        const TiffView v(orf);
        EXPECT_EQ(Bytes(orf.begin(), orf.begin() + 4), (Bytes{'I', 'I', 'R', 'O'}));
        EXPECT_EQ(v.StripsEnd(v.U32(4)), orf.size());
        EXPECT_EQ(v.Longs(v.Find(v.U32(4), 279)).size(), 3u);
    }
}

TEST(PhotoWriters, CrwEndsWithItsRootTableAndMrwWithTheDataItsHeaderAnnounces) {
    media::RawOptions o;
    o.width = 200;
    o.height = 150;
    const Bytes crw = media::MakeCrw(o);
    const TiffView v(crw);
    EXPECT_EQ(Bytes(crw.begin(), crw.begin() + 18),
              (Bytes{'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R', 2, 0, 1, 0}));
    // The root table: its offset in the heap (which starts at 26) is the
    // file's last four bytes, and it fills the file to its end.
    const uint32_t table = 26 + v.U32(crw.size() - 4);
    const uint32_t entries = v.U16(table);
    EXPECT_EQ(table + 2 + 10 * entries + 4, crw.size());
    EXPECT_EQ(entries, 3u);
    bool raw = false;
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t e = table + 2 + 10 * i;
        EXPECT_LE(26 + v.U32(e + 6) + v.U32(e + 2), table);  // inside the heap
        if (v.U16(e) == 0x2005) raw = v.U32(e + 2) == 200u * 150u * 2u;
    }
    EXPECT_TRUE(raw);

    for (const bool unpacked : {false, true}) {
        o.unpacked = unpacked;
        const Bytes mrw = media::MakeMrw(o);
        const TiffView m(mrw, true);  // "\0MRM": Motorola order
        EXPECT_EQ(Bytes(mrw.begin(), mrw.begin() + 4), (Bytes{0, 'M', 'R', 'M'}));
        const uint64_t d = m.U32(4), h = m.U16(24), w = m.U16(26);
        EXPECT_EQ(h, 150u);
        EXPECT_EQ(w, 200u);
        EXPECT_EQ(mrw.at(34), unpacked ? 'R' : 'Y');
        EXPECT_EQ((d + 8) % 512, 0u);
        EXPECT_EQ(mrw.size(), unpacked ? d + h * w * 2 + 8 : h * w * 3 / 2 + d + 8);
    }
}

}  // namespace
}  // namespace tvn
