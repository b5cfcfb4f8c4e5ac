// tarvolin-cli preview as a user runs it: a PNG of the right size for each
// image type, the record, and a clear word when the decoder is missing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "tests/support/test_support.h"
#include "tools/media/av_writers.h"
#include "tools/media/image.h"
#include "tools/media/modern_writers.h"
#include "tools/media/photo_writers.h"

namespace tvn {
namespace {

namespace fs = std::filesystem;

std::string Cli(const std::string& args) { return std::string(TVN_CLI) + " -q " + args; }

// Width and height from a PNG's header; 0 x 0 when it is none.
std::pair<uint32_t, uint32_t> PngSize(const std::string& path) {
    const std::vector<uint8_t> d = test::ReadFile(path);
    if (d.size() < 24 || d[1] != 'P' || d[2] != 'N' || d[3] != 'G') return {0, 0};
    auto be = [&](size_t at) {
        return uint32_t{d[at]} << 24 | uint32_t{d[at + 1]} << 16 | uint32_t{d[at + 2]} << 8 | d[at + 3];
    };
    return {be(16), be(20)};
}

bool HaveDecoder() {
    return ::access((fs::path(TVN_CLI).parent_path() / "../preview/tarvolin-decode").c_str(), X_OK) == 0;
}

TEST(CliPreview, EachImageTypeGivesAPngOfItsSize) {
    if (!HaveDecoder()) GTEST_SKIP() << "the decoder is built only with the desktop program (TVN_GUI)";
    test::TempDir dir;
    const std::string img = dir / "card.img";
    {
        media::ImageFile f(img, 8 << 20);
        media::TiffOptions tiff;
        tiff.rowsPerStrip = 30;
        f.Write(512 * 16, media::MakeJpeg({}));                    // 640 x 480
        f.Write(512 * 400, media::MakePng(123, 45, 1));
        f.Write(512 * 600, media::MakeBmp24(77, 33, 2));
        f.Write(512 * 800, media::MakeGif(false, 50, 20, 3));
        f.Write(512 * 1000, media::MakeTiff(tiff));  // 320 x 240; TIF numbers start at 2
        f.Write(512 * 2000, media::MakeWav(8000, 1, 8000));        // 1 s
    }
    struct Want {
        const char* file;
        uint32_t w, h;
    };
    for (const Want& want : {Want{"JPG/file# 1.JPG", 640, 480}, Want{"PNG/file# 1.PNG", 123, 45},
                             Want{"BMP/file# 1.BMP", 77, 33}, Want{"GIF/file# 1.GIF", 50, 20},
                             Want{"TIF/file# 2.TIF", 320, 240}}) {
        SCOPED_TRACE(want.file);
        const std::string png = dir / "out.png";
        fs::remove(png);
        std::string out;
        ASSERT_EQ(test::RunCommand(Cli("preview '" + img + "' --types all --file '" + want.file +
                                       "' --to '" + png + "' --json 2>/dev/null"),
                                   &out),
                  0)
            << out;
        EXPECT_EQ(PngSize(png), std::make_pair(want.w, want.h));
        EXPECT_NE(out.find("\"width\": " + std::to_string(want.w)), std::string::npos) << out;
    }
    std::string out;
    ASSERT_EQ(test::RunCommand(Cli("preview '" + img + "' --types wav --file 'WAV/file# 1.WAV' --to '" +
                                   (dir / "w.png") + "' 2>/dev/null"),
                               &out),
              0);
    EXPECT_NE(out.find("durationMs               1000"), std::string::npos) << out;
    EXPECT_NE(out.find("PCM"), std::string::npos) << out;
    // No such file.
    EXPECT_EQ(test::RunCommand(Cli("preview '" + img + "' --types jpg --file 'JPG/file# 9.JPG' --to '" +
                                   (dir / "x.png") + "' 2>/dev/null")),
              2);
}

// The raw formats of today's cameras give their embedded preview (LibRaw's,
// or the largest JPEG inside where LibRaw opens none), HEIC its picture or,
// where its coding cannot be decoded here, its size from the file.
TEST(CliPreview, EachNewerImageTypeGivesAPicture) {
    if (!HaveDecoder()) GTEST_SKIP() << "the decoder is built only with the desktop program (TVN_GUI)";
    test::TempDir dir;
    const std::string img = dir / "card.img";
    std::vector<media::SampleFile> samples;
    media::AppendModernSamples(samples);
    std::vector<std::string> names;
    {
        media::ImageFile f(img, 4 << 20);
        uint64_t at = 512 * 16;
        std::map<std::string, int> numbers;
        for (const auto& s : samples) {
            f.Write(at, s.data);
            at = (at + s.data.size() + 1024) / 512 * 512;
            const int number = ++numbers[s.type];
            if (s.type != "MTS" && s.type != "TS" && s.type != "3GP")
                names.push_back(s.type + "/file# " + std::to_string(number) + "." + s.type);
        }
    }
    ASSERT_EQ(names.size(), 11u);
    for (const std::string& file : names) {
        SCOPED_TRACE(file);
        const std::string png = dir / "out.png";
        fs::remove(png);
        std::string out;
        ASSERT_EQ(test::RunCommand(Cli("preview '" + img + "' --types all --file '" + file + "' --to '" +
                                       png + "' --json 2>/dev/null"),
                                   &out),
                  0)
            << out;
        // Every preview the builder puts in these files is 640 x 480 (a CR3's
        // thumbnail is smaller: the larger one is shown).
        EXPECT_EQ(PngSize(png), std::make_pair(640u, 480u));
        if (file.starts_with("HEIC")) {
            EXPECT_NE(out.find("\"width\": 640"), std::string::npos) << out;
        }
    }
}

// A HEIC as phones write it, its picture coded in HEVC (by libheif's own
// encoder, heif-enc): the scan measures it to its last byte and the preview
// decodes the picture itself, not only its size.
TEST(CliPreview, AHeicCodedInHevcIsMeasuredAndDecoded) {
    if (!HaveDecoder()) GTEST_SKIP() << "the decoder is built only with the desktop program (TVN_GUI)";
    if (test::RunCommand("command -v heif-enc >/dev/null") != 0)
        GTEST_SKIP() << "heif-enc (package libheif-examples, installed by scripts/install-deps) is missing";
    test::TempDir dir;
    test::WriteFile(dir / "in.png", media::MakePng(320, 240, 7));
    std::string out;
    if (test::RunCommand("heif-enc -q 60 '" + (dir / "in.png") + "' -o '" + (dir / "photo.heic") + "' 2>&1",
                         &out) != 0)
        GTEST_SKIP() << "this libheif has no HEVC encoder: " << out;
    const std::vector<uint8_t> heic = test::ReadFile(dir / "photo.heic");
    ASSERT_GT(heic.size(), 1000u);
    const std::string img = dir / "card.img";
    {
        media::ImageFile f(img, 1 << 20);
        f.Write(512 * 16, heic);
        // Other data right after it, as on a card.
        f.Write(512 * 16 + heic.size(), std::vector<uint8_t>(4096, 0x5a));
    }
    ASSERT_EQ(test::RunCommand(Cli("scan '" + img + "' --types heic --json 2>/dev/null"), &out), 0) << out;
    EXPECT_NE(out.find("\"name\": \"file# 1.HEIC\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"size\": " + std::to_string(heic.size()) + ","), std::string::npos) << out;
    EXPECT_NE(out.find("\"may_be_incomplete\": false"), std::string::npos) << out;

    const std::string png = dir / "out.png";
    ASSERT_EQ(test::RunCommand(Cli("preview '" + img + "' --types heic --file 'HEIC/file# 1.HEIC' --to '" + png +
                                   "' --json 2>/dev/null"),
                               &out),
              0)
        << out;
    EXPECT_EQ(PngSize(png), std::make_pair(320u, 240u));
    // Decoded, not only measured: a picture's PNG is far longer than a blank's.
    EXPECT_GT(test::ReadFile(png).size(), 10'000u);
}

TEST(CliPreview, WithoutTheDecoderItSaysWhichPackageIsNeeded) {
    test::TempDir dir;
    const std::string cli = dir / "tarvolin-cli";
    fs::copy_file(TVN_CLI, cli);
    fs::permissions(cli, fs::perms::owner_all);
    std::string out;
    EXPECT_EQ(test::RunCommand("env -u TVN_DECODER '" + cli + "' preview /dev/null --types jpg --file x --to '" +
                                   (dir / "x.png") + "' 2>&1",
                               &out),
              1);
    EXPECT_NE(out.find("desktop package"), std::string::npos) << out;
}

}  // namespace
}  // namespace tvn
