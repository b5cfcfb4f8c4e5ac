#include "scan/read_ahead.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "disk/io.h"

namespace tvn {

CReadAhead::CReadAhead(const IMedium* medium, size_t blockSize, size_t capacity, CBlockPool* pool)
    : m_medium(medium), m_blockSize(blockSize), m_alloc(pool), m_slots(capacity) {
    for (Slot& s : m_slots) s.data = BlockBuffer(m_alloc);
}

namespace {

// A medium over duplicates of the caller's descriptors; the direct one only
// for a block device.
std::unique_ptr<IMedium> MediumOfDescriptor(int fd, int directFd) {
    struct stat st {};
    const bool block = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISBLK(st.st_mode);
    const int own = fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    const int direct = block && directFd >= 0 ? ::fcntl(directFd, F_DUPFD_CLOEXEC, 0) : -1;
    return std::make_unique<CMediumHandle>(std::string(), own, direct, false);
}

}  // namespace

CReadAhead::CReadAhead(int fd, size_t blockSize, size_t capacity, CBlockPool* pool, int directFd)
    : CReadAhead(nullptr, blockSize, capacity, pool) {
    m_own = MediumOfDescriptor(fd, directFd);
    m_medium = m_own.get();
}

CReadAhead::~CReadAhead() { Stop(); }

void CReadAhead::Start(ULONGLONG end) {
    if (m_reader.joinable()) return;
    // A block device is read past the kernel's page cache: the blocks go
    // straight from the device into our buffers, with one copy fewer, and a
    // scan of a large disk does not push everything else out of memory. The
    // direct descriptor comes with the medium (the device is never opened
    // again by a path, which a user who got it from UDisks2 may not do);
    // O_DIRECT belongs to its open file, so the ordinary one stays buffered.
    m_direct = m_medium != nullptr && m_medium->CanReadDirect();
    m_directRefused.store(false);
    m_cancel.store(false);
    {
        std::lock_guard lock(m_mutex);
        m_running = false;  // no window until the scan moves to its first block
        m_stop = false;
        m_end = end;
    }
    m_reader = std::thread([this] { Work(); });
}

void CReadAhead::SetCapacity(size_t capacity) {
    if (m_reader.joinable() || capacity == m_slots.size()) return;
    m_slots = std::vector<Slot>(capacity);
    for (Slot& s : m_slots) s.data = BlockBuffer(m_alloc);
}

void CReadAhead::Stop() {
    if (!m_reader.joinable()) return;
    m_cancel.store(true);
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_running = false;
    }
    m_wake.notify_all();
    m_reader.join();
    for (Slot& s : m_slots) {
        s.state = State::Free;
        s.data = BlockBuffer(m_alloc);  // the memory goes back until the next scan
    }
    m_direct = false;
}

ssize_t CReadAhead::Read(BlockBuffer& into, ULONGLONG pos) const {
    if (m_medium == nullptr) {
        errno = EBADF;
        return -1;
    }
    if (into.size() != m_blockSize) return m_medium->ReadAt(into.data(), into.size(), pos);
    return ReadAt(into.data(), pos);
}

ssize_t CReadAhead::ReadAt(BYTE* into, ULONGLONG pos) const {
    if (m_medium == nullptr) {
        errno = EBADF;
        return -1;
    }
    if (DirectNow()) {
        const ssize_t got = m_medium->ReadDirectAt(into, m_blockSize, pos);
        if (got >= 0) return got;
        // A device that takes no direct reads at these places is read the
        // ordinary way from now on; a read error is told by the ordinary read.
        if (errno == EINVAL) m_directRefused.store(true, std::memory_order_relaxed);
    }
    return m_medium->ReadAt(into, m_blockSize, pos);
}

ssize_t CReadAhead::ReadPiece(BYTE* into, size_t n, ULONGLONG pos) const {
    if (m_medium == nullptr) {
        errno = EBADF;
        return -1;
    }
    if (DirectNow()) {
        const ssize_t got = m_medium->ReadDirectAt(into, n, pos);
        if (got >= 0 || errno != EINVAL) return got;
        // Not aligned for direct reads here: the ordinary way from now on.
        m_directRefused.store(true, std::memory_order_relaxed);
    }
    return m_medium->ReadAt(into, n, pos);
}

bool CReadAhead::InWindowLocked(ULONGLONG pos) const {
    if (!m_running || pos < m_from || pos >= m_end) return false;
    const ULONGLONG d = pos - m_from;
    return d % m_blockSize == 0 && d / m_blockSize < m_slots.size();
}

void CReadAhead::MoveTo(ULONGLONG pos) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stop || !m_reader.joinable()) return;
        const bool onward = m_running && pos >= m_from;
        if (!onward) ++m_epoch;  // what is being read now belongs to no window
        for (Slot& s : m_slots) {
            if (s.state == State::Ready && (!onward || s.pos < pos)) s.state = State::Free;
        }
        // A block being read when the window leaves it is given up by the reader.
        if (!onward || m_frontier < pos) m_frontier = pos;
        m_from = pos;
        m_running = true;
    }
    m_wake.notify_all();
}

CReadAhead::Slot* CReadAhead::WaitFor(std::unique_lock<std::mutex>& lock, ULONGLONG pos) {
    for (;;) {
        if (!InWindowLocked(pos)) return nullptr;
        Slot* slot = nullptr;
        for (Slot& s : m_slots) {
            if (s.state != State::Free && s.pos == pos) slot = &s;
        }
        if (slot != nullptr && slot->state == State::Ready) return slot;
        // Taken already, or given up for want of memory.
        if (slot == nullptr && pos < m_frontier) return nullptr;
        // Being read, or the reader will come to it: the window always has
        // room for every block in it.
        ++m_waiting;
        m_wake.notify_all();
        m_done.wait(lock);
        --m_waiting;
    }
}

const BlockBuffer* CReadAhead::Get(ULONGLONG pos, ReadDamage* damage) {
    std::unique_lock lock(m_mutex);
    Slot* slot = WaitFor(lock, pos);
    if (slot == nullptr || slot->got != static_cast<ssize_t>(m_blockSize)) return nullptr;
    if (damage != nullptr) *damage = slot->damage;
    return &slot->data;
}

std::optional<ssize_t> CReadAhead::Take(ULONGLONG pos, BlockBuffer& into, ReadDamage* damage) {
    std::unique_lock lock(m_mutex);
    Slot* slot = WaitFor(lock, pos);
    if (slot == nullptr) return std::nullopt;
    if (damage != nullptr) *damage = std::move(slot->damage);
    slot->damage = {};
    if (slot->data.size() == into.size()) {
        slot->data.swap(into);  // the slot keeps the old buffer for a later block
    } else {
        std::fill(into.begin(), into.end(), BYTE{0});
        std::copy_n(slot->data.begin(), std::min(slot->data.size(), into.size()), into.begin());
    }
    slot->state = State::Free;
    m_wake.notify_all();
    return slot->got;
}

void CReadAhead::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        // The next blocks of the window, a batch at a time: one request for
        // several blocks costs the device one wait, and while the scan is the
        // slower one the reader does not trickle along a block at a time.
        // Whoever waits for a block gets what room there is at once.
        std::array<Slot*, kBatch> batch{};
        size_t n = 0;
        m_wake.wait(lock, [&] {
            if (m_stop) return true;
            n = 0;
            size_t wanted = 0;  // blocks of the window from the frontier on, up to a batch
            while (wanted < kBatch && InWindowLocked(m_frontier + wanted * m_blockSize)) ++wanted;
            for (Slot& s : m_slots) {
                if (n == wanted) break;
                if (s.state == State::Free) batch[n++] = &s;
            }
            return n > 0 && (n == wanted || m_waiting > 0);
        });
        if (m_stop) return;
        const ULONGLONG pos = m_frontier;
        m_frontier += n * m_blockSize;
        for (size_t i = 0; i < n; ++i) {
            batch[i]->state = State::Reading;
            batch[i]->pos = pos + i * m_blockSize;
        }
        const ULONGLONG epoch = m_epoch;
        lock.unlock();

        std::array<bool, kBatch> haveMemory{};
        for (size_t i = 0; i < n; ++i) {
            try {
                if (batch[i]->data.size() != m_blockSize) AssignZeros(batch[i]->data, m_blockSize);
                haveMemory[i] = true;
            } catch (const std::bad_alloc&) {
                // whoever wants the block reads it the ordinary way
            }
        }
        std::array<iovec, kBatch> parts{};
        size_t whole = 0;  // blocks the one request read whole
        if (std::all_of(haveMemory.begin(), haveMemory.begin() + static_cast<std::ptrdiff_t>(n),
                        [](bool b) { return b; })) {
            for (size_t i = 0; i < n; ++i) parts[i] = {batch[i]->data.data(), m_blockSize};
            ssize_t got = -1;
            if (m_medium != nullptr) {
                got = DirectNow() ? m_medium->ReadVecDirectAt(parts.data(), static_cast<int>(n), pos)
                                  : m_medium->ReadVecAt(parts.data(), static_cast<int>(n), pos);
            }
            if (got > 0) whole = static_cast<size_t>(got) / m_blockSize;
        }
        std::array<ssize_t, kBatch> got{};
        std::array<ReadDamage, kBatch> damage{};
        for (size_t i = 0; i < n; ++i) {
            if (!haveMemory[i]) {
                got[i] = -1;
            } else if (i < whole) {
                got[i] = static_cast<ssize_t>(m_blockSize);
                if (m_health != nullptr && i == 0) m_health->NoteGoodOffset(pos);
            } else if (m_health != nullptr) {
                // The end of the medium, or a read error: block by block, and
                // a block that fails is read around, so that only its
                // unreadable sectors are lost. It is held with that noted.
                const ULONGLONG at = pos + i * m_blockSize;
                const ReadAroundResult r = ReadAround(
                    [this](BYTE* into, size_t len, uint64_t off) { return ReadPiece(into, len, off); },
                    batch[i]->data.data(), m_blockSize, at, m_sectorSize, *m_health,
                    [this] { return m_cancel.load(std::memory_order_relaxed); });
                got[i] = r.got;
                damage[i] = {r.failed, r.gone, r.bad};
            } else {
                // The end of the medium, or a read error: block by block, so
                // that an unreadable sector costs only its own block.
                got[i] = ReadAt(batch[i]->data.data(), pos + i * m_blockSize);
            }
        }

        lock.lock();
        for (size_t i = 0; i < n; ++i) {
            Slot& slot = *batch[i];
            slot.got = got[i];
            slot.damage = std::move(damage[i]);
            const bool wanted = haveMemory[i] && epoch == m_epoch && InWindowLocked(slot.pos);
            slot.state = wanted ? State::Ready : State::Free;
        }
        m_done.notify_all();
    }
}

}  // namespace tvn
