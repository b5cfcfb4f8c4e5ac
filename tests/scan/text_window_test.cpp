// Window searches through the per-block text index agree with comparing every
// position, including at the edges of the buffer.
#include <gtest/gtest.h>

#include <random>

#include "scan/scanner.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

TEST(TextInWindow, IndexAgreesWithComparingEveryPosition) {
    test::TempDir dir;
    { media::ImageFile img(dir / "a.img", 1 << 20); }
    CDiskSource src(dir / "a.img");
    CTypeCounters counters;
    CNullReporter rep;
    CScanContext ctx(src, counters, rep);
    ctx.buffer.assign(kScanBufferSize, 0);
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        const size_t at = rng() % (kScanBufferSize - 6);
        std::memcpy(&ctx.buffer[at], "MPEGTV", 6);
    }
    std::memcpy(&ctx.buffer[kScanBufferSize - 5], "MPEGT", 5);  // cut off by the buffer's end
    std::memcpy(&ctx.buffer[0], "MThd", 4);
    ++ctx.generation;

    for (size_t first = 0; first < kScanBufferSize; first += 509) {
        const size_t last = first + 511;
        for (const char* text : {"MPEGTV", "MThd", "NIKON"}) {
            ctx.straightforward = true;
            const bool slow = ctx.TextInWindow(text, first, last);
            ctx.straightforward = false;
            EXPECT_EQ(ctx.TextInWindow(text, first, last), slow) << text << " at " << first;
        }
    }
    EXPECT_FALSE(ctx.TextInWindow("MPEGT", kScanBufferSize - 4, kScanBufferSize + 600));
    EXPECT_TRUE(ctx.TextInWindow("MPEGT", kScanBufferSize - 5, kScanBufferSize + 600));
    EXPECT_FALSE(ctx.TextInWindow("MPEGTV", kScanBufferSize - 5, kScanBufferSize));

    // A new block's contents are searched anew.
    std::fill(ctx.buffer.begin(), ctx.buffer.end(), BYTE{0});
    ++ctx.generation;
    EXPECT_FALSE(ctx.TextInWindow("MPEGTV", 0, kScanBufferSize));
}

}  // namespace
}  // namespace tvn
