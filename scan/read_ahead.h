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
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/types.h"
#include "scan/block_buffer.h"

namespace tvn {

class CReadAhead {
public:
    // Blocks of blockSize bytes of fd, at most capacity of them at a time,
    // held in memory from pool when one is given. directFd, when not -1, is a
    // descriptor of the same block device opened with O_DIRECT (the disk
    // source's), read through in place of fd where the device allows it.
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

    // The scan has the blocks before pos: they are given up, and the window
    // now runs from pos for capacity blocks.
    void MoveTo(ULONGLONG pos);

    // The block at pos when it lies in the window and was read whole; waits
    // for it if need be. It stays until the scan takes it or moves past it.
    // Null outside the window, or when the read came back short (the end of
    // the medium) or failed: the caller then reads it the ordinary way.
    const BlockBuffer* Get(ULONGLONG pos);

    // When the block at pos lies in the window: waits for it, swaps its bytes
    // into into (a whole block long), gives its slot up and returns what its
    // read returned: the byte count (short at the end of the medium), or -1
    // on a read error. Nothing outside the window.
    std::optional<ssize_t> Take(ULONGLONG pos, BlockBuffer& into);

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
        BlockBuffer data;
    };
    // The slot of the block at pos once the reader has come to it, waiting
    // for the reader when pos lies ahead in the window; null outside it.
    Slot* WaitFor(std::unique_lock<std::mutex>& lock, ULONGLONG pos);
    bool InWindowLocked(ULONGLONG pos) const;
    // Reads the block at pos, past the page cache where that is possible.
    ssize_t ReadAt(BYTE* into, ULONGLONG pos) const;
    void Work();

    int m_fd;
    int m_givenDirectFd;  // the caller's, not ours to close
    int m_directFd = -1;  // our duplicate of it while the reader runs
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
    std::thread m_reader;
};

}  // namespace tvn
