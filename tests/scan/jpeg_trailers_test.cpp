// What follows a JPEG's EOI and belongs to the file: maker-note previews,
// appended JPEGs, motion photos and the trailers of photo software, each
// built by the test-media builder. The walk takes all of it, whatever follows
// and however the bytes are fetched; a broken piece leaves the file at its
// EOI; a scan lists such a file once.
#include <gtest/gtest.h>

#include <map>

#include "app/job_control.h"
#include "catalog/directory_tree.h"
#include "scan/exact/walks.h"
#include "scan/scan_job.h"
#include "tests/support/test_support.h"
#include "tools/media/av_writers.h"
#include "tools/media/image.h"
#include "tools/media/jpeg_trailers.h"
#include "tools/media/photo_writers.h"

namespace tvn {
namespace {

using media::Bytes;

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

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

WalkResult Walk(const Bytes& bytes, size_t stretch = 4096) {
    CMemoryByteSource src(bytes, stretch);
    return WalkJpeg(src);
}

// The file measures to its whole length followed by zeros or noise, in
// stretches that split every field somewhere.
void ExpectWhole(const Bytes& file, const std::string& what) {
    for (const Bytes& tail : {Bytes(3000, 0), Noise(3000, 5), Bytes{}}) {
        for (size_t stretch : {size_t{61}, size_t{4096}}) {
            const WalkResult r = Walk(Concat(file, tail), stretch);
            ASSERT_TRUE(r.measured) << what;
            EXPECT_EQ(r.length, file.size()) << what << " stretch " << stretch;
            EXPECT_FALSE(r.openEnded) << what;
        }
    }
}

media::JpegOptions Main(uint32_t seed = 1) {
    media::JpegOptions o;
    o.width = 320;
    o.height = 240;
    o.seed = seed;
    return o;
}

Bytes Preview(uint32_t width = 160) {
    media::JpegOptions o;
    o.app = media::JpegApp::None;
    o.width = width;
    o.height = 120;
    o.seed = 9;
    return media::MakeJpeg(o);
}

TEST(JpegAfterEoi, MakerNotePreviewAfterPadding) {
    const Bytes preview = Preview();
    // As the compact camera lays it out: an SOI inside the Exif segment on a
    // sector boundary, the main image, 21 bytes of padding, the preview the
    // maker note names.
    const Bytes camera = media::MakeCameraJpegWithPreview(Main(), preview, 21, 16386);
    ASSERT_EQ(camera[16384], 0xFF);
    ASSERT_EQ(camera[16385], 0xD8);
    ExpectWhole(camera, "maker-note preview, SOI in APP1");
    ExpectWhole(media::MakeCameraJpegWithPreview(Main(2), preview, 0), "preview at the EOI");
    ExpectWhole(media::MakeCameraJpegWithPreview(Main(3), preview, 200), "after 200 bytes");

    // The preview overwritten: the file is the main image.
    Bytes broken = camera;
    const size_t previewAt = camera.size() - preview.size();
    broken[previewAt + preview.size() / 2] = 0xFF;
    broken[previewAt + preview.size() / 2 + 1] = 0xC0;  // a frame marker in its data
    const WalkResult r = Walk(Concat(broken, Noise(2000, 3)));
    ASSERT_TRUE(r.measured);
    EXPECT_EQ(r.length, previewAt - 21);

    // Padding and a JPEG nothing points at: not this file's.
    media::JpegOptions exif = Main(4);
    exif.app = media::JpegApp::Exif;
    const Bytes plain = media::MakeJpeg(exif);
    Bytes padded = plain;
    padded.resize(plain.size() + 21, 0);
    EXPECT_EQ(Walk(Concat(padded, preview)).length, plain.size());
}

// The JPEG with a comment segment after its SOI that makes it end exactly on
// a sector boundary.
Bytes EndingOnASector(const Bytes& jpeg) {
    const size_t fill = (512 - (jpeg.size() + 4) % 512) % 512;
    // Made at its full size and filled in place: GCC 12 at -O3 takes an
    // insert after a short initializer list for an overrun.
    Bytes out(6 + fill + jpeg.size() - 2, 'c');
    out[0] = 0xFF;
    out[1] = 0xD8;
    out[2] = 0xFF;
    out[3] = 0xFE;
    out[4] = static_cast<uint8_t>((fill + 2) >> 8);
    out[5] = static_cast<uint8_t>(fill + 2);
    for (size_t i = 2; i < jpeg.size(); ++i) out[6 + fill + i - 2] = jpeg[i];
    return out;
}

TEST(JpegAfterEoi, AJpegRightAfterTheEoi) {
    const Bytes main = media::MakeJpeg(Main(5));
    ASSERT_NE(main.size() % 512, 0u);
    const Bytes preview = Preview(240);
    ExpectWhole(Concat(main, preview), "JPEG at the EOI");
    // On a sector boundary the next JPEG is the next file on the medium.
    const Bytes sector = EndingOnASector(main);
    ASSERT_EQ(sector.size() % 512, 0u);
    ExpectWhole(sector, "comment segment");
    EXPECT_EQ(Walk(Concat(sector, preview)).length, sector.size());
}

TEST(JpegAfterEoi, MotionPhotos) {
    media::JpegOptions o = Main(6);
    o.app = media::JpegApp::Exif;
    const Bytes jpeg = media::MakeJpeg(o);
    const Bytes movie = media::MakeMp4(40);
    const Bytes micro = media::MakeMotionPhoto(jpeg, movie, false);
    const Bytes container = media::MakeMotionPhoto(jpeg, movie, true);
    ExpectWhole(micro, "GCamera:MicroVideoOffset");
    ExpectWhole(container, "Container:Directory");
    ExpectWhole(Concat(jpeg, movie), "ftyp right after the EOI");
    ASSERT_NE(jpeg.size() % 512, 0u);

    // A movie that starts on a sector boundary after a JPEG without motion
    // metadata is a file of its own; with the XMP it is the photo's.
    const Bytes onSector = EndingOnASector(jpeg);
    EXPECT_EQ(Walk(Concat(onSector, movie)).length, onSector.size());

    // The movie cut short: the XMP's length reaches past what is there.
    const Bytes cut(micro.begin(), micro.end() - 100);
    const WalkResult r = Walk(cut);
    ASSERT_TRUE(r.measured);
    EXPECT_EQ(r.length, micro.size() - movie.size());
}

TEST(JpegAfterEoi, PhotoSoftwareTrailers) {
    media::JpegOptions o = Main(7);
    o.app = media::JpegApp::Exif;
    const Bytes jpeg = media::MakeJpeg(o);
    const Bytes iptc = media::MakeIptc("Harbour at dusk", 300);
    const std::map<std::string, Bytes> files = {
        {"AFCP big-endian", media::AppendAfcp(jpeg, iptc, true)},
        {"AFCP little-endian", media::AppendAfcp(jpeg, iptc, false)},
        {"FotoStation", media::AppendFotoStation(jpeg, {{1, iptc}, {3, Preview()}})},
        {"Photo Mechanic", media::AppendPhotoMechanic(jpeg, iptc)},
        {"Samsung", media::AppendSamsungTrailer(jpeg, media::MakeWav(8000, 1, 1500))},
        {"Samsung and a motion photo's movie",
         media::AppendSamsungTrailer(jpeg, media::MakeMp4(10))},
    };
    for (const auto& [name, file] : files) {
        ExpectWhole(file, name);
        // Cut short, the trailer's last piece is not whole: the file ends
        // before it (at the EOI, or after the records that are whole).
        const Bytes cut(file.begin(), file.end() - 5);
        const WalkResult r = Walk(cut);
        ASSERT_TRUE(r.measured) << name;
        EXPECT_GE(r.length, jpeg.size()) << name;
        EXPECT_LT(r.length, cut.size()) << name;
    }
    // Trailers after a preview: the walk goes on piece after piece.
    const Bytes both = media::AppendPhotoMechanic(
        media::MakeCameraJpegWithPreview(Main(8), Preview(), 21), iptc);
    ExpectWhole(both, "preview, then Photo Mechanic");
}

// On a medium: the file with an SOI in its Exif segment and a preview after
// the EOI is one file, whole, and nothing inside it is listed on its own.
TEST(JpegAfterEoi, AScanListsTheCameraFileOnce) {
    test::TempDir dir;
    const std::string image = dir / "card.img";
    const Bytes camera = media::MakeCameraJpegWithPreview(Main(), Preview(), 21, 16386);
    const Bytes trailer = media::AppendFotoStation(media::MakeJpeg(Main(2)),
                                                   {{1, media::MakeIptc("Pier", 3600)}});
    {
        media::ImageFile img(image, 4 << 20);
        img.Write(64 * 512, camera);
        img.Write(512 * 1024, trailer);
    }
    CDiskSource src(image);
    CDirectoryTree tree;
    CTypeCounters counters;
    CJobControl control;
    control.Reset();
    test::RecordingReporter rep;
    CScanJob job(src, tree, counters, control, rep);
    job.SetTypes(std::vector<FileType>{FileType::JPG});
    job.SetExactLengths(true);
    job.Run();
    CFolderNode* jpg = tree.FindFolder("JPG");
    ASSERT_NE(jpg, nullptr);
    std::map<ULONGLONG, std::pair<ULONGLONG, CFileNode::Length>> found;
    for (CFileNode* n = jpg->GetFirstChild(); n; n = n->GetNextFile())
        found[n->GetStartSector()] = {n->GetSize(), n->GetLength()};
    const std::map<ULONGLONG, std::pair<ULONGLONG, CFileNode::Length>> want = {
        {64, {camera.size(), CFileNode::Length::Measured}},
        {1024, {trailer.size(), CFileNode::Length::Measured}},
    };
    EXPECT_EQ(found, want);
    EXPECT_LE(tree.m_ullFoundBytes.load(), src.GetTotalSectors() * 512);
}

}  // namespace
}  // namespace tvn
