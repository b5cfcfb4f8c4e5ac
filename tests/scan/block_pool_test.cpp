// The memory blocks are read into: pieces handed out must never overlap, must
// go back to where they came from however buffers are swapped, and chunks
// must go back to the system once they are empty.
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "scan/block_buffer.h"
#include "scan/read_ahead.h"
#include "tests/support/test_support.h"

namespace tvn {
namespace {

constexpr size_t kPiece = 512 << 10;

void Fill(void* p, size_t n, BYTE tag) { std::fill_n(static_cast<BYTE*>(p), n, tag); }
bool Holds(const void* p, size_t n, BYTE tag) {
    const auto* b = static_cast<const BYTE*>(p);
    return std::all_of(b, b + n, [&](BYTE x) { return x == tag; });
}

TEST(BlockPool, PiecesAreAlignedAndNeverOverlap) {
    CBlockPool pool(kPiece);
    std::vector<void*> out;
    for (int i = 0; i < 9; ++i) {  // more than two chunks' worth
        out.push_back(pool.Take());
        EXPECT_EQ(reinterpret_cast<uintptr_t>(out.back()) % 4096, 0u);
        Fill(out.back(), kPiece, static_cast<BYTE>(i + 1));
    }
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_TRUE(Holds(out[i], kPiece, static_cast<BYTE>(i + 1))) << "piece " << i;
    }
    if (pool.Chunked()) {
        EXPECT_EQ(pool.ChunksHeld(), 3u);
        // Huge pages need chunks on 2 MiB boundaries.
        for (void* p : out) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % kPiece, 0u);
        }
        EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](void* p) {
            return reinterpret_cast<uintptr_t>(p) % CBlockPool::kChunk == 0;
        }));
    }
    for (void* p : out) pool.Give(p);
    EXPECT_LE(pool.ChunksHeld(), 1u);  // one empty chunk is kept for the next piece
}

TEST(BlockPool, EmptyChunksGoBackButOneIsKept) {
    CBlockPool pool(kPiece);
    if (!pool.Chunked()) GTEST_SKIP() << "pieces are separate allocations under AddressSanitizer";
    std::vector<void*> first;
    for (int i = 0; i < 4; ++i) first.push_back(pool.Take());
    void* fifth = pool.Take();
    EXPECT_EQ(pool.ChunksHeld(), 2u);
    pool.Give(fifth);  // its chunk is empty, and the only empty one: kept
    EXPECT_EQ(pool.ChunksHeld(), 2u);
    for (int i = 0; i < 50; ++i) pool.Give(pool.Take());  // reuses the kept one
    EXPECT_EQ(pool.ChunksHeld(), 2u);
    for (void* p : first) pool.Give(p);
    EXPECT_EQ(pool.ChunksHeld(), 1u);
    // New pieces come from the fullest chunk that has room, so that the
    // others can empty out.
    void* a = pool.Take();
    void* b = pool.Take();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) / CBlockPool::kChunk,
              reinterpret_cast<uintptr_t>(b) / CBlockPool::kChunk);
    pool.Give(a);
    pool.Give(b);
}

TEST(BlockPool, OtherSizesAreSeparateAllocations) {
    for (const size_t size : {size_t{4096}, size_t{3} << 20, size_t{5000}}) {
        CBlockPool pool(size);
        EXPECT_FALSE(pool.Chunked()) << size;
        void* p = pool.Take();
        Fill(p, size, 0x5A);
        pool.Give(p);
        EXPECT_EQ(pool.ChunksHeld(), 0u);
    }
}

TEST(BlockPool, BuffersTakeTheirMemoryAlongWhenSwappedMovedOrCopied) {
    CBlockPool pool(kPiece);
    {
        BlockBuffer pooled{PageAlignedAllocator<BYTE>(&pool)};
        pooled.assign(kPiece, 1);
        BlockBuffer plain(kPiece, 2);
        BlockBuffer small{PageAlignedAllocator<BYTE>(&pool)};
        small.assign(100, 3);  // not a piece: memory of its own
        pooled.swap(plain);
        EXPECT_EQ(plain.get_allocator().pool, &pool);
        EXPECT_EQ(pooled.get_allocator().pool, nullptr);
        EXPECT_EQ(plain[0], 1);
        const BlockBuffer copy = plain;
        EXPECT_EQ(copy.get_allocator().pool, nullptr);  // may outlive the pool
        EXPECT_EQ(copy, plain);
        small = std::move(plain);
        EXPECT_EQ(small.get_allocator().pool, &pool);
        EXPECT_EQ(small.size(), kPiece);
    }
    // Everything went back to the pool or to the heap it came from.
    EXPECT_LE(pool.ChunksHeld(), 1u);
}

TEST(BlockPool, TwoThreadsTakeAndGiveAtOnce) {
    CBlockPool pool(kPiece / 8);
    auto work = [&](BYTE tag) {
        std::vector<void*> held;
        for (int round = 0; round < 400; ++round) {
            held.push_back(pool.Take());
            Fill(held.back(), pool.PieceSize(), tag);
            if (held.size() > 20 || round % 7 == 0) {
                EXPECT_TRUE(Holds(held.front(), pool.PieceSize(), tag));
                pool.Give(held.front());
                held.erase(held.begin());
            }
        }
        for (void* p : held) {
            EXPECT_TRUE(Holds(p, pool.PieceSize(), tag));
            pool.Give(p);
        }
    };
    std::thread other(work, BYTE{0xAA});
    work(BYTE{0x55});
    other.join();
    EXPECT_LE(pool.ChunksHeld(), 1u);
}

// The reader keeps its blocks in the pool, also across a stop and a restart.
TEST(BlockPool, ReadAheadBlocksComeFromThePool) {
    constexpr size_t kBlock = 64 << 10;
    test::TempDir dir;
    std::vector<uint8_t> bytes(40 * kBlock);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i / kBlock + i % 251);
    const std::string path = dir / "medium.img";
    test::WriteFile(path, bytes);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    CBlockPool pool(kBlock);
    {
        CReadAhead ahead(fd, kBlock, 10, &pool);
        BlockBuffer buf{PageAlignedAllocator<BYTE>(&pool)};
        buf.assign(kBlock, 0);
        for (int pass = 0; pass < 2; ++pass) {
            ahead.Start(bytes.size());
            for (size_t b = 0; b < 40; ++b) {
                ahead.MoveTo(b * kBlock);
                const auto got = ahead.Take(b * kBlock, buf);
                ASSERT_TRUE(got.has_value());
                ASSERT_EQ(*got, static_cast<ssize_t>(kBlock));
                ASSERT_TRUE(std::equal(buf.begin(), buf.end(), bytes.begin() + static_cast<std::ptrdiff_t>(b * kBlock)))
                    << "block " << b << ", pass " << pass;
                EXPECT_EQ(buf.get_allocator().pool, &pool);
            }
            if (pool.Chunked()) {
                EXPECT_GE(pool.ChunksHeld(), 1u);
            }
            ahead.Stop();
        }
    }
    EXPECT_LE(pool.ChunksHeld(), 1u);
    ::close(fd);
}

}  // namespace
}  // namespace tvn
