// Flags and counters shared between a job's worker thread and the front end.
// All of them are atomics: the front end reads the counters and clears the run
// flag while the worker runs. Pause is a gate the worker passes whenever it
// polls the run flag (Linux has no thread suspension).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tvn {

class CJobControl {
public:
    // Before a job starts: run flag 1, counter 0, progress all ones, not paused.
    void Reset() {
        m_run.store(1);
        m_fileCounter.store(0);
        m_progress.store(~uint64_t{0});
        Resume();
    }

    // Stop button: clears the run flag (and lets a paused worker see it).
    void Stop() {
        m_run.store(0);
        Resume();
    }
    // From a signal handler: only the lock-free run flag is touched.
    void StopFromSignal() { m_run.store(0); }

    void Pause() {
        std::lock_guard lock(m_mutex);
        m_paused.store(true);
    }
    void Resume() {
        {
            std::lock_guard lock(m_mutex);
            m_paused.store(false);
        }
        m_cv.notify_all();
    }
    bool IsPaused() const { return m_paused.load(); }

    // The worker's poll: waits while paused, then answers whether it may run
    // on. Cheap when not paused: the scan polls after every recognizer.
    bool Poll() {
        if (m_paused.load(std::memory_order_acquire)) {
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [this] { return !m_paused.load(); });
        }
        return m_run.load(std::memory_order_relaxed) != 0;
    }
    bool IsRunning() const { return m_run.load() != 0; }

    std::atomic<uint64_t>& FileCounter() { return m_fileCounter; }
    std::atomic<uint64_t>& ScanProgress() { return m_progress; }

private:
    std::atomic<int> m_run{1};
    std::atomic<uint64_t> m_fileCounter{0};
    std::atomic<uint64_t> m_progress{~uint64_t{0}};
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::atomic<bool> m_paused{false};
};

}  // namespace tvn
