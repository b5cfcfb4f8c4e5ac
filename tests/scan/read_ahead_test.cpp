// The reader that fetches the blocks ahead of the scan: every block handed
// over must be the medium's own bytes at that position, whatever order the
// scan and the searches ask in, and a block device must read the same through
// its direct path as through an ordinary read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "scan/read_ahead.h"
#include "tests/support/test_support.h"

namespace tvn {
namespace {

constexpr size_t kBlock = 4096;

// A file of `blocks` whole blocks and `tail` more bytes; every byte tells
// the block it lies in and its place there.
std::string MakeMedium(const test::TempDir& dir, size_t blocks, size_t tail) {
    std::vector<uint8_t> bytes(blocks * kBlock + tail);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>((i / kBlock) * 7 + (i % kBlock) * 13);
    }
    const std::string path = dir / "medium.img";
    test::WriteFile(path, bytes);
    return path;
}

bool HoldsBlock(const BlockBuffer& b, ULONGLONG pos, size_t valid) {
    for (size_t i = 0; i < valid; ++i) {
        const ULONGLONG at = pos + i;
        if (b[i] != static_cast<uint8_t>((at / kBlock) * 7 + (at % kBlock) * 13)) return false;
    }
    return true;
}

struct Medium {
    explicit Medium(size_t blocks, size_t tail = 0)
        : path(MakeMedium(dir, blocks, tail)), fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~Medium() { ::close(fd); }
    test::TempDir dir;
    std::string path;
    int fd;
};

TEST(ReadAhead, TheScanGetsEveryBlockInOrderThroughASmallWindow) {
    Medium m(37, 1000);  // more blocks than the window, and a partial last one
    CReadAhead ahead(m.fd, kBlock, 3);
    ahead.Start(37 * kBlock + 1000);
    ahead.MoveTo(0);
    BlockBuffer buf(kBlock);
    for (ULONGLONG block = 0; block < 37; ++block) {
        const ULONGLONG pos = block * kBlock;
        const auto got = ahead.Take(pos, buf);
        ASSERT_TRUE(got.has_value()) << block;
        EXPECT_EQ(*got, static_cast<ssize_t>(kBlock));
        ASSERT_TRUE(HoldsBlock(buf, pos, kBlock)) << block;
        ahead.MoveTo(pos + kBlock);
    }
    const auto last = ahead.Take(37 * kBlock, buf);
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(*last, 1000);
    EXPECT_TRUE(HoldsBlock(buf, 37 * kBlock, 1000));
    ahead.MoveTo(38 * kBlock);
    EXPECT_FALSE(ahead.Take(38 * kBlock, buf).has_value());  // past the end: nothing read ahead
}

TEST(ReadAhead, SearchesLookWithoutTakingAndOnlyInsideTheWindow) {
    Medium m(10, 100);
    CReadAhead ahead(m.fd, kBlock, 4);
    ahead.Start();
    ahead.MoveTo(kBlock);  // the window: blocks 1 to 4

    const BlockBuffer* b3 = ahead.Get(3 * kBlock);
    ASSERT_NE(b3, nullptr);
    EXPECT_TRUE(HoldsBlock(*b3, 3 * kBlock, kBlock));
    const BlockBuffer* b2 = ahead.Get(2 * kBlock);
    ASSERT_NE(b2, nullptr);
    EXPECT_EQ(ahead.Get(3 * kBlock), b3);  // looking again reads nothing new
    EXPECT_TRUE(HoldsBlock(*b2, 2 * kBlock, kBlock));

    EXPECT_EQ(ahead.Get(0), nullptr);               // behind the window
    EXPECT_EQ(ahead.Get(5 * kBlock), nullptr);      // past it
    EXPECT_EQ(ahead.Get(2 * kBlock + 512), nullptr);  // not a block of the scan

    BlockBuffer buf(kBlock);
    ASSERT_TRUE(ahead.Take(kBlock, buf).has_value());
    EXPECT_TRUE(HoldsBlock(buf, kBlock, kBlock));
    ahead.MoveTo(2 * kBlock);
    ASSERT_TRUE(ahead.Take(2 * kBlock, buf).has_value());
    EXPECT_TRUE(HoldsBlock(buf, 2 * kBlock, kBlock));
    EXPECT_EQ(ahead.Get(2 * kBlock), nullptr);  // taken

    // The window moves on: block 10, the partial last one, is read short and
    // is not handed to a search, which reads it the ordinary way.
    ahead.MoveTo(8 * kBlock);
    EXPECT_NE(ahead.Get(9 * kBlock), nullptr);
    EXPECT_EQ(ahead.Get(10 * kBlock), nullptr);
    EXPECT_EQ(ahead.Take(10 * kBlock, buf), std::optional<ssize_t>(100));
    EXPECT_EQ(ahead.Read(buf, 10 * kBlock), 100);
    EXPECT_TRUE(HoldsBlock(buf, 10 * kBlock, 100));
}

TEST(ReadAhead, NothingIsHeldWithoutAReaderAndARestartReadsAfresh) {
    Medium m(20);
    CReadAhead ahead(m.fd, kBlock, 4);
    BlockBuffer buf(kBlock);
    ahead.MoveTo(0);
    EXPECT_EQ(ahead.Get(kBlock), nullptr);
    EXPECT_FALSE(ahead.Take(0, buf).has_value());
    EXPECT_EQ(ahead.Read(buf, 5 * kBlock), static_cast<ssize_t>(kBlock));
    EXPECT_TRUE(HoldsBlock(buf, 5 * kBlock, kBlock));

    for (int run = 0; run < 2; ++run) {
        ahead.Start();
        ahead.MoveTo(12 * kBlock);
        ASSERT_TRUE(ahead.Take(12 * kBlock, buf).has_value());
        EXPECT_TRUE(HoldsBlock(buf, 12 * kBlock, kBlock));
        ahead.MoveTo(2 * kBlock);  // the window jumps back
        ASSERT_NE(ahead.Get(3 * kBlock), nullptr);
        EXPECT_TRUE(HoldsBlock(*ahead.Get(3 * kBlock), 3 * kBlock, kBlock));
        ASSERT_TRUE(ahead.Take(2 * kBlock, buf).has_value());
        EXPECT_TRUE(HoldsBlock(buf, 2 * kBlock, kBlock));
        ahead.Stop();
        EXPECT_EQ(ahead.Get(3 * kBlock), nullptr);
    }
}

TEST(ReadAhead, BlockDevicesReadTheSameBytesPastThePageCache) {
    Medium m(300, 0);
    for (const uint32_t sectorSize : {512u, 4096u}) {
        std::string why;
        auto loop = test::LoopDevice::Attach(m.path, sectorSize, why);
        if (!loop) GTEST_SKIP() << why;
        const int fd = ::open(loop->Path().c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const int direct = ::open(loop->Path().c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
        ASSERT_GE(direct, 0);
        // Blocks of the scan's size, at a start that is a multiple of the
        // sector size but not of the block size.
        constexpr size_t kScanBlock = 64 * kBlock;
        CReadAhead ahead(fd, kScanBlock, 6, nullptr, direct);
        ahead.Start();
        const ULONGLONG start = 3 * kBlock;
        ahead.MoveTo(start);
        BlockBuffer buf(kScanBlock);
        ULONGLONG total = 0;
        for (ULONGLONG pos = start;; pos += kScanBlock) {
            const auto got = ahead.Take(pos, buf);
            ASSERT_TRUE(got.has_value()) << sectorSize;
            ASSERT_GE(*got, 0);
            ASSERT_TRUE(HoldsBlock(buf, pos, static_cast<size_t>(*got))) << sectorSize << " " << pos;
            total += static_cast<ULONGLONG>(*got);
            if (*got < static_cast<ssize_t>(kScanBlock)) break;
            ahead.MoveTo(pos + kScanBlock);
        }
        EXPECT_EQ(total, 300 * kBlock - start) << sectorSize;
        ahead.Stop();
        ::close(direct);
        ::close(fd);
    }
}

}  // namespace
}  // namespace tvn
