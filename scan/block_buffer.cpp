#include "scan/block_buffer.h"

#include <algorithm>
#include <cassert>
#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define TVN_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TVN_ASAN 1
#endif
#endif

namespace tvn {

namespace {

constexpr std::align_val_t kPage{4096};

// kChunk bytes at an address that is a multiple of kChunk: the kernel backs
// only such ranges with huge pages. Null when there is no memory.
BYTE* MapChunk() {
    const size_t chunk = CBlockPool::kChunk;
    void* got = ::mmap(nullptr, 2 * chunk, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (got == MAP_FAILED) return nullptr;
    auto* raw = static_cast<BYTE*>(got);
    const auto at = reinterpret_cast<uintptr_t>(raw);
    BYTE* base = raw + ((chunk - at % chunk) % chunk);
    if (base > raw) ::munmap(raw, static_cast<size_t>(base - raw));
    BYTE* tail = base + chunk;
    if (tail < raw + 2 * chunk) ::munmap(tail, static_cast<size_t>(raw + 2 * chunk - tail));
    // Only advice: a kernel without huge pages leaves them small.
    ::madvise(base, chunk, MADV_HUGEPAGE);
    return base;
}

}  // namespace

#ifdef TVN_ASAN
const bool CBlockPool::kChunked = false;
#else
const bool CBlockPool::kChunked = true;
#endif

CBlockPool::CBlockPool(size_t pieceSize)
    : m_piece(pieceSize),
      m_all(0),
      m_chunked(kChunked && pieceSize > 0 && pieceSize % 4096 == 0 && kChunk % pieceSize == 0 &&
                kChunk / pieceSize <= 64) {
    if (m_chunked) {
        const size_t perChunk = kChunk / pieceSize;
        m_all = perChunk == 64 ? ~uint64_t{0} : (uint64_t{1} << perChunk) - 1;
    }
}

CBlockPool::~CBlockPool() {
    for (const Chunk& c : m_chunks) ::munmap(c.base, kChunk);
}

void* CBlockPool::Take() {
    if (!m_chunked) return ::operator new(m_piece, kPage);
    std::lock_guard lock(m_mutex);
    // The fullest chunk that has room, so that chunks empty out and go back.
    Chunk* best = nullptr;
    for (Chunk& c : m_chunks) {
        if (c.free != 0 && (best == nullptr || __builtin_popcountll(c.free) <
                                                   __builtin_popcountll(best->free))) {
            best = &c;
        }
    }
    if (best == nullptr) {
        BYTE* base = MapChunk();
        if (base == nullptr) throw std::bad_alloc();
        m_chunks.push_back({base, m_all});
        best = &m_chunks.back();
    }
    const int i = __builtin_ctzll(best->free);
    best->free &= best->free - 1;
    return best->base + static_cast<size_t>(i) * m_piece;
}

void CBlockPool::Give(void* piece) noexcept {
    if (piece == nullptr) return;
    if (!m_chunked) {
        ::operator delete(piece, kPage);
        return;
    }
    std::lock_guard lock(m_mutex);
    auto* p = static_cast<BYTE*>(piece);
    const auto it = std::find_if(m_chunks.begin(), m_chunks.end(),
                                 [&](const Chunk& c) { return p >= c.base && p < c.base + kChunk; });
    assert(it != m_chunks.end());
    if (it == m_chunks.end()) return;
    it->free |= uint64_t{1} << (static_cast<size_t>(p - it->base) / m_piece);
    if (it->free != m_all) return;
    const bool spare = std::any_of(m_chunks.begin(), m_chunks.end(), [&](const Chunk& c) {
        return &c != &*it && c.free == m_all;
    });
    if (spare) {
        ::munmap(it->base, kChunk);
        m_chunks.erase(it);
    }
}

size_t CBlockPool::ChunksHeld() const {
    std::lock_guard lock(m_mutex);
    return m_chunks.size();
}

}  // namespace tvn
