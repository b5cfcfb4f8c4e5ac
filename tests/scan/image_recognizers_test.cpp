#include <gtest/gtest.h>

#include "scan/recognizers/avi_scanner.h"
#include "scan/recognizers/bmp_scanner.h"
#include "scan/recognizers/gif_scanner.h"
#include "scan/recognizers/mid_scanner.h"
#include "scan/recognizers/mov_scanner.h"
#include "scan/recognizers/mp3_scanner.h"
#include "scan/recognizers/mp4_scanner.h"
#include "scan/recognizers/mpg_scanner.h"
#include "scan/recognizers/png_scanner.h"
#include "scan/recognizers/wav_scanner.h"
#include "tests/scan/av_test_bench.h"

namespace tvn {
namespace {

using test::CAvBench;
using test::kBlock;
using test::kLastSector;

std::vector<uint8_t> BmpHeader(uint32_t fileSize, uint32_t reserved, uint32_t pixelOffset,
                               uint32_t imageSize, uint32_t coloursUsed) {
    std::vector<uint8_t> h(54, 0);
    const auto put = [&](size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    h[0] = 'B';
    h[1] = 'M';
    put(2, fileSize);
    put(6, reserved);
    put(10, pixelOffset);
    put(14, 40);
    put(34, imageSize);
    put(46, coloursUsed);
    return h;
}

TEST(BmpRecognizer, AcceptanceRulesAndLength) {
    CAvBench bench;
    // Sector by sector: each case at its own sector of block 0.
    bench.Put(512 * 1, BmpHeader(1078, 1, 1078, 5, 256));          // palette rule only
    bench.Put(512 * 2, BmpHeader(5000, 1, 54, 100, 7));            // no rule: reserved 01 00 00 00
    bench.Put(512 * 3, BmpHeader(5000, 1, 1000, 4000, 0));         // sizes add up only
    bench.Put(512 * 4, BmpHeader(777, 0, 999, 1, 3));              // reserved zero only
    bench.Put(512 * 5, BmpHeader(0, 0, 54, 0, 0));                 // file size 0
    bench.Put(512 * 6, BmpHeader(9, 0x10000, 54, 1, 0x40000000));  // 4 x colours wraps to 0
    bench.Put(512 * 7, {'B', 'N', 0, 0, 0, 0, 0, 0, 0, 0});
    bench.Put(kLastSector, BmpHeader(3000, 0, 54, 2946, 0));
    CBMPScanner& bmp = bench.Make<CBMPScanner>();

    bench.Load(0, 512 * 1);
    EXPECT_TRUE(bmp.IsFileHeader());
    EXPECT_EQ(bmp.GetFileSize(), 1078u);
    bench.Load(0, 512 * 2);
    EXPECT_FALSE(bmp.IsFileHeader());
    bench.Load(0, 512 * 3);
    EXPECT_TRUE(bmp.IsFileHeader());
    EXPECT_EQ(bmp.GetFileSize(), 5000u);
    bench.Load(0, 512 * 4);
    EXPECT_TRUE(bmp.IsFileHeader());
    EXPECT_EQ(bmp.GetFileSize(), 777u);  // the field as it stands
    bench.Load(0, 512 * 5);
    EXPECT_TRUE(bmp.IsFileHeader());
    EXPECT_EQ(bmp.GetFileSize(), 0u);
    bench.Load(0, 512 * 6);
    EXPECT_TRUE(bmp.IsFileHeader());
    bench.Load(0, 512 * 7);
    EXPECT_FALSE(bmp.IsFileHeader());
    bench.Load(0, kLastSector);
    EXPECT_TRUE(bmp.IsFileHeader());
    EXPECT_EQ(bmp.GetFileSize(), 3000u);
}

std::vector<uint8_t> PngSignature() {
    return {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
}
const std::string kIendCrc = std::string("IEND") + "\xAE\x42\x60\x82";

TEST(PngRecognizer, LengthRunsToTheEndOfTheIendChunk) {
    CAvBench bench;
    const uint64_t p = 1024;
    bench.Put(p, PngSignature());
    bench.Put(p + 5000 - 8, kIendCrc);  // the IEND chunk's CRC ends 5,000 bytes after p
    bench.Put(p + 7000, kIendCrc);
    bench.Put(4096, {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0B});
    CPNGScanner& png = bench.Make<CPNGScanner>();

    bench.Load(0, p);
    ASSERT_TRUE(png.IsFileHeader());
    const auto before = bench.Take();
    EXPECT_EQ(png.GetFileSize(), 5000u);
    EXPECT_EQ(png.GetFileSize(), 5000u);
    EXPECT_TRUE(bench.Take() == before);
    bench.Load(0, 4096);
    EXPECT_FALSE(png.IsFileHeader());
}

TEST(PngRecognizer, SplitEndMarkIsNotSeenAndNoEndMeansTheWholeWindow) {
    CAvBench bench;
    // A PNG in the last sector of block 0 whose first IEND straddles blocks
    // 0 and 1; the next one lies wholly in block 1.
    bench.Put(kLastSector, PngSignature());
    bench.Put(kBlock - 4, kIendCrc);
    bench.Put(kBlock + 100, kIendCrc);
    // A PNG in block 2 with no end mark anywhere after it.
    bench.Put(2 * kBlock + 2048, PngSignature());
    CPNGScanner& png = bench.Make<CPNGScanner>();

    bench.Load(0, kLastSector);
    ASSERT_TRUE(png.IsFileHeader());
    EXPECT_EQ(png.GetFileSize(), kBlock + 108 - kLastSector);

    bench.Load(2, 2048);
    ASSERT_TRUE(png.IsFileHeader());
    const auto before = bench.Take();
    EXPECT_EQ(png.GetFileSize(), (kBlock - 2048) + 10 * kBlock);
    EXPECT_TRUE(bench.Take() == before);
}

TEST(GifRecognizer, SignatureAndNextGifBoundary) {
    CAvBench bench;
    bench.Put(512, std::string("GIF87a"));
    bench.Put(512 + 1000, std::string("GIF89a"));  // not at a sector start: no boundary
    bench.Put(512 * 8, std::string("GIF89a"));     // the next GIF, 7 sectors on
    bench.Put(512 * 9, {0x47, 0x49, 0x46, 0x39});
    bench.Put(512 * 10, std::string("GIF"));
    bench.Put(kLastSector, std::string("GIF89a"));
    bench.Put(kBlock, std::string("GIF87a"));  // first sector of the next block
    CGIFScanner& gif = bench.Make<CGIFScanner>();

    bench.Load(0, 512);
    ASSERT_TRUE(gif.IsFileHeader());
    EXPECT_EQ(gif.GetFileSize(), 7u * 512);
    bench.Load(0, 512 * 8);
    EXPECT_TRUE(gif.IsFileHeader());
    bench.Load(0, 512 * 9);
    EXPECT_FALSE(gif.IsFileHeader());
    bench.Load(0, 512 * 10);
    EXPECT_FALSE(gif.IsFileHeader());

    bench.Load(0, kLastSector);
    ASSERT_TRUE(gif.IsFileHeader());
    EXPECT_EQ(gif.GetFileSize(), 512u);

    bench.Load(1, 0);  // no GIF after this one
    ASSERT_TRUE(gif.IsFileHeader());
    EXPECT_EQ(gif.GetFileSize(), 11 * kBlock);
}

// Where each type's file numbers start and how they step.
TEST(AvFileNumbers, StartValuesAndStepsPerType) {
    CAvBench bench;
    struct Case {
        CScanner* scanner;
        std::vector<UINT> expected;  // next, next, release, next
    };
    const std::vector<UINT> handOutThenAdd = {1, 2, 3, 2};
    std::vector<Case> cases = {
        {&bench.Make<CBMPScanner>(), handOutThenAdd}, {&bench.Make<CPNGScanner>(), handOutThenAdd},
        {&bench.Make<CGIFScanner>(), handOutThenAdd}, {&bench.Make<CMP3Scanner>(), handOutThenAdd},
        {&bench.Make<CMIDScanner>(), handOutThenAdd}, {&bench.Make<CWAVScanner>(), handOutThenAdd},
        {&bench.Make<CAVIScanner>(), handOutThenAdd}, {&bench.Make<CMOVScanner>(), {1, 2, 2, 2}},
        {&bench.Make<CMP4Scanner>(), {1, 2, 0, 3}},   {&bench.Make<CMPGScanner>(), {1, 2, 1, 2}},
    };
    for (Case& c : cases) {
        std::vector<UINT> got;
        got.push_back(c.scanner->GetNextFileNumber());
        got.push_back(c.scanner->GetNextFileNumber());
        got.push_back(c.scanner->ReleaseFileNumber());
        got.push_back(c.scanner->GetNextFileNumber());
        EXPECT_EQ(got, c.expected) << c.scanner->GetTypeName();
    }
    // A new recognizer resets its type's counter.
    CMOVScanner& mov = bench.Make<CMOVScanner>();
    EXPECT_EQ(mov.GetNextFileNumber(), 1u);
}

}  // namespace
}  // namespace tvn
