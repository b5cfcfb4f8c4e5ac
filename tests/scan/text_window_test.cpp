// Window searches through the per-block text index agree with comparing every
// position, including at the edges of the buffer.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "scan/scanner.h"
#include "scan/text_search.h"
#include "tests/support/test_support.h"
#include "tools/media/image.h"

namespace tvn {
namespace {

// A scan context over a small image, with a zeroed block in its buffer.
struct Block {
    Block() { ctx.buffer.assign(kScanBufferSize, 0); }
    static std::filesystem::path MakeImage(const test::TempDir& in) {
        media::ImageFile img(in / "a.img", 1 << 20);
        return in / "a.img";
    }
    test::TempDir dir;
    CDiskSource src{MakeImage(dir)};
    CTypeCounters counters;
    CNullReporter rep;
    CScanContext ctx{src, counters, rep};
};

TEST(TextInWindow, IndexAgreesWithComparingEveryPosition) {
    Block b;
    CScanContext& ctx = b.ctx;
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

// Every start the block search reports, and none it misses, whatever the
// text's length, where it lies against the 64-byte rounds, and where the data
// ends; near misses (first and last byte right, middle wrong) are not hits.
TEST(FindText, AgreesWithComparingEveryPosition) {
    std::mt19937 rng(11);
    for (const std::string_view text : {"M", "MT", "MThd", "NIKON", "MPEGTV", "DSC-F828"}) {
        for (size_t size : {size_t{0}, size_t{1}, size_t{7}, size_t{63}, size_t{64}, size_t{65},
                            size_t{130}, size_t{1000}, size_t{4099}}) {
            std::vector<BYTE> data(size);
            // Few distinct bytes, so that first and last bytes agree often.
            for (BYTE& b : data) b = static_cast<BYTE>(text[rng() % text.size()]);
            for (size_t i = 0; i + text.size() <= size; i += 1 + rng() % 40) {
                std::memcpy(&data[i], text.data(), text.size());
            }
            if (size >= text.size()) {
                std::memcpy(&data[size - text.size()], text.data(), text.size());  // at the very end
            }
            std::vector<uint32_t> want;
            for (size_t i = 0; i + text.size() <= size; ++i) {
                if (std::memcmp(&data[i], text.data(), text.size()) == 0) {
                    want.push_back(static_cast<uint32_t>(i + 1000));
                }
            }
            const BYTE* first = FindFirstText(data, text);
            EXPECT_EQ(first == nullptr ? -1 : first - data.data() + 1000,
                      want.empty() ? -1 : static_cast<std::ptrdiff_t>(want.front()));
            std::vector<uint32_t> got;
            FindText(data, text, got, 1000);
            EXPECT_EQ(got, want) << text << ", " << size << " bytes";
            for (const auto kind : {TextSearchKind::OneByOne, TextSearchKind::Sse2,
                                    TextSearchKind::Avx2}) {
                got.clear();
                if (FindTextUsing(kind, data, text, got, 1000)) {
                    EXPECT_EQ(got, want) << text << ", " << size << " bytes, way "
                                         << static_cast<int>(kind);
                }
            }
        }
    }
}

// Windows asked for out of order (a later sector first, then back, then with
// a gap) still answer for exactly the window asked.
TEST(TextInWindow, WindowsInAnyOrder) {
    Block b;
    CScanContext& ctx = b.ctx;
    std::memcpy(&ctx.buffer[1000], "SONY", 4);
    std::memcpy(&ctx.buffer[300000], "SONY", 4);
    ++ctx.generation;
    EXPECT_TRUE(ctx.TextInWindow("SONY", 299000, 300000));
    EXPECT_FALSE(ctx.TextInWindow("SONY", 1001, 2000));
    EXPECT_TRUE(ctx.TextInWindow("SONY", 0, 1000));
    EXPECT_FALSE(ctx.TextInWindow("SONY", 200000, 299999));
    EXPECT_FALSE(ctx.TextInWindow("SONY", 300001, kScanBufferSize));
    EXPECT_TRUE(ctx.TextInWindow("SONY", 1000, 1000));
}

}  // namespace
}  // namespace tvn
