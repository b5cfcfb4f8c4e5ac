// The blocks ahead of the scan, read on a second thread.
//
// The scan reads the medium block by block, and the length searches read the
// blocks after the one being scanned. While a scan runs, a reader thread reads
// the blocks that follow the scan's block, in order, as far as a window of
// `capacity` blocks reaches; the scan and the searches take them from here.
// Reading and testing then overlap, so the scan goes at the speed of the
// slower of the two instead of their sum, and every block inside the window is
// read from the medium once however many searches look at it.
//
// Every call comes from the scanning thread; the reader thread only fills the
// slots it is given.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/types.h"
#include "disk/medium.h"
#include "disk/read_around.h"
#include "scan/block_buffer.h"

namespace tvn {

// How a block that could not be read whole was read around.
struct ReadDamage {
    bool failed = false;  // the block's read failed; the ranges below are zeros
    bool gone = false;    // the medium went away
    std::vector<SectorRange> bad;
};

class CReadAhead {
public:
    // Blocks of blockSize bytes of the medium, at most capacity of them at a
    // time, held in memory from pool when one is given. A block device is
    // read past the page cache where it allows it. The medium must outlive
    // the reader; without one every read fails.
    CReadAhead(const IMedium* medium, size_t blockSize, size_t capacity,
               CBlockPool* pool = nullptr);
    // The same over a descriptor (duplicated, so the caller keeps its own):
    // directFd, when not -1, is a descriptor of the same block device opened
    // with O_DIRECT, read through in place of fd where the device allows it.
    CReadAhead(int fd, size_t blockSize, size_t capacity, CBlockPool* pool = nullptr,
               int directFd = -1);
    ~CReadAhead();
    CReadAhead(const CReadAhead&) = delete;
    CReadAhead& operator=(const CReadAhead&) = delete;

    // Starts the reader, which reads no block that begins at or past end (the
    // medium's size); stopping waits for a read in progress, forgets every
    // block and ends the thread. Without a reader nothing is held.
    void Start(ULONGLONG end = ~ULONGLONG{0});
    void Stop();
    // Another number of blocks for the window; only while no reader runs.
    void SetCapacity(size_t capacity);
    size_t Capacity() const { return m_slots.size(); }

    // A block whose read fails is read around (disk/read_around.h) with the
    // sectors of sectorSize, sharing the limits and findings of health, and
    // is held with its damage noted. Without this, a failed block is held as
    // failed (-1) and its reader reads it itself.
    void SetReadAround(CReadHealth* health, uint32_t sectorSize) {
        m_health = health;
        m_sectorSize = sectorSize;
    }
    // Reads n bytes at pos the way the reader does (past the page cache where
    // possible), for reading around a failed block on another thread.
    ssize_t ReadPiece(BYTE* into, size_t n, ULONGLONG pos) const;

    // The scan has the blocks before pos: they are given up, and the window
    // now runs from pos for capacity blocks.
    void MoveTo(ULONGLONG pos);

    // The block at pos when it lies in the window and was read whole; waits
    // for it if need be. It stays until the scan takes it or moves past it.
    // Null outside the window, or when the read came back short (the end of
    // the medium) or failed: the caller then reads it the ordinary way. A
    // block that was read around is given with its unreadable sectors as
    // zeros; damage, when given, tells which.
    const BlockBuffer* Get(ULONGLONG pos, ReadDamage* damage = nullptr);

    // When the block at pos lies in the window: waits for it, swaps its bytes
    // into into (a whole block long), gives its slot up and returns what its
    // read returned: the byte count (short at the end of the medium), or -1
    // on a read error. Nothing outside the window.
    std::optional<ssize_t> Take(ULONGLONG pos, BlockBuffer& into, ReadDamage* damage = nullptr);

    // Reads the block at pos into into (a whole block long) on this thread,
    // the way the reader does; for blocks outside the window. Returns the byte
    // count, or -1 on a read error.
    ssize_t Read(BlockBuffer& into, ULONGLONG pos) const;

private:
    static constexpr size_t kBatch = 16;  // blocks read with one request (8 MiB)
    enum class State { Free, Reading, Ready };
    struct Slot {
        State state = State::Free;
        ULONGLONG pos = 0;
        ssize_t got = 0;
        ReadDamage damage;
        BlockBuffer data;
    };
    // The slot of the block at pos once the reader has come to it, waiting
    // for the reader when pos lies ahead in the window; null outside it.
    Slot* WaitFor(std::unique_lock<std::mutex>& lock, ULONGLONG pos);
    bool InWindowLocked(ULONGLONG pos) const;
    // Reads the block at pos, past the page cache where that is possible.
    ssize_t ReadAt(BYTE* into, ULONGLONG pos) const;
    bool DirectNow() const { return m_direct && !m_directRefused.load(std::memory_order_relaxed); }
    void Work();

    std::unique_ptr<IMedium> m_own;  // the descriptor's medium, when made from one
    const IMedium* m_medium;
    bool m_direct = false;  // read past the page cache while the reader runs
    mutable std::atomic<bool> m_directRefused{false};
    size_t m_blockSize;
    PageAlignedAllocator<BYTE> m_alloc;
    std::vector<Slot> m_slots;  // never resized: blocks are handed out by address
    std::mutex m_mutex;
    std::condition_variable m_wake;  // to the reader: room to read, or stop
    std::condition_variable m_done;  // from the reader: a block is read
    bool m_running = false;
    int m_waiting = 0;  // takers waiting for a block
    bool m_stop = false;
    ULONGLONG m_end = ~ULONGLONG{0};  // nothing from here on is read ahead
    ULONGLONG m_from = 0;      // the window's first block
    ULONGLONG m_frontier = 0;  // the next block the reader reads
    ULONGLONG m_epoch = 0;     // counts the times the window jumped back
    CReadHealth* m_health = nullptr;
    uint32_t m_sectorSize = 512;
    std::atomic<bool> m_cancel{false};  // set while stopping: re-reading ends
    std::thread m_reader;
};

}  // namespace tvn
