// Buffers for blocks read from the medium.
//
// Blocks live in page-aligned memory: reads from a block device into a buffer
// that is not page-aligned are several times slower. The blocks of one scan
// come from that scan's CBlockPool, which carves them out of 2 MiB chunks the
// kernel is asked to back with huge pages. A direct read then pins one large
// page where it would pin 128 small ones per block, and the copies into the
// blocks and the recognizers' passes over them miss the TLB far less often.
// Where the kernel gives no huge pages, the chunks are ordinary memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/types.h"

namespace tvn {

// Page-aligned pieces of one size, handed out of 2 MiB chunks. A chunk goes
// back to the system once all its pieces are given back (one wholly free
// chunk is kept, so that taking and giving one piece in turn does not map and
// unmap a chunk every time). Safe to use from several threads. Every piece
// must be given back before the pool is destroyed.
class CBlockPool {
public:
    static constexpr size_t kChunk = size_t{2} << 20;
    // False where AddressSanitizer watches the program: every piece is then
    // an allocation of its own, so that running past one is still caught.
    static const bool kChunked;

    // Pieces of pieceSize bytes. Only a multiple of the page size that
    // divides kChunk into at most 64 pieces is carved from chunks; other
    // sizes are allocated one by one.
    explicit CBlockPool(size_t pieceSize);
    ~CBlockPool();
    CBlockPool(const CBlockPool&) = delete;
    CBlockPool& operator=(const CBlockPool&) = delete;

    size_t PieceSize() const { return m_piece; }
    // A piece of PieceSize() bytes; throws std::bad_alloc when there is no memory.
    void* Take();
    // Gives back a piece Take returned.
    void Give(void* piece) noexcept;
    // Whether pieces come out of chunks (see kChunked).
    bool Chunked() const { return m_chunked; }
    // The chunks mapped now.
    size_t ChunksHeld() const;

private:
    struct Chunk {
        BYTE* base;
        uint64_t free;  // bit i: piece i is free
    };
    size_t m_piece;
    uint64_t m_all;  // the free bits of a chunk with every piece free
    bool m_chunked;
    mutable std::mutex m_mutex;
    std::vector<Chunk> m_chunks;
};

// The allocator of block buffers: pieces of its pool for buffers of exactly
// the pool's piece size, page-aligned memory of its own for everything else
// and for an allocator without a pool. Swapping or moving a buffer takes its
// allocator along, so memory always goes back to where it came from; a copy
// of a buffer has memory of its own and may outlive the pool.
template <class T>
struct PageAlignedAllocator {
    using value_type = T;
    using propagate_on_container_swap = std::true_type;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_copy_assignment = std::false_type;
    using is_always_equal = std::false_type;
    static constexpr std::align_val_t kAlign{4096};

    PageAlignedAllocator() = default;
    explicit PageAlignedAllocator(CBlockPool* p) noexcept : pool(p) {}
    template <class U>
    PageAlignedAllocator(const PageAlignedAllocator<U>& other) noexcept : pool(other.pool) {}

    T* allocate(std::size_t n) {
        if (FromPool(n)) return static_cast<T*>(pool->Take());
        return static_cast<T*>(::operator new(n * sizeof(T), kAlign));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (FromPool(n)) {
            pool->Give(p);
        } else {
            ::operator delete(p, kAlign);
        }
    }
    PageAlignedAllocator select_on_container_copy_construction() const { return {}; }
    template <class U>
    bool operator==(const PageAlignedAllocator<U>& other) const noexcept {
        return pool == other.pool;
    }

    CBlockPool* pool = nullptr;

private:
    bool FromPool(std::size_t n) const noexcept {
        return pool != nullptr && n * sizeof(T) == pool->PieceSize();
    }
};
using BlockBuffer = std::vector<BYTE, PageAlignedAllocator<BYTE>>;

// Makes b n zero bytes long, keeping its allocator. A block of the right
// size is cleared with one memset rather than refilled through the vector.
inline void AssignZeros(BlockBuffer& b, std::size_t n) {
    if (b.size() == n) {
        if (n != 0) std::memset(b.data(), 0, n);
    } else {
        b.clear();
        b.resize(n);  // value-initialised: zeros
    }
}

}  // namespace tvn
