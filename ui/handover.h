// Work one thread hands to another through Qt: a queued call into the GUI
// thread, a blocking queued call whose caller waits for the answer, a task
// on a QThreadPool.
//
// Qt orders such a handover with its own mutexes and semaphores, which on
// Linux sit directly on futexes. ThreadSanitizer does not see them (the
// distribution's Qt is not built with it), so everything the sending thread
// wrote before posting, and the posted functor itself, would look unordered
// with the receiving thread's reads. The wrapper below tells it about the
// handover: each copy of the work is published (a release on its own
// address) once it is written, and taken (an acquire on the same address)
// before it is run or destroyed, on whatever thread that happens. It costs
// nothing outside ThreadSanitizer builds.
//
// Every place where a worker hands work to the GUI thread, or the GUI thread
// to a worker, goes through here; a plain QMetaObject::invokeMethod across
// threads carrying our data is a false report waiting to happen.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <type_traits>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define TVN_TSAN_HANDOVER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TVN_TSAN_HANDOVER 1
#endif
#endif

#if defined(TVN_TSAN_HANDOVER)
#include <sanitizer/tsan_interface.h>
#endif

namespace tvn::ui {

namespace handover {
// What this thread wrote so far happens before a later Take of address.
inline void Publish(const void* address) {
#if defined(TVN_TSAN_HANDOVER)
    __tsan_release(const_cast<void*>(address));
#else
    (void)address;
#endif
}
// What was written before a Publish of address happens before what this
// thread does next.
inline void Take(const void* address) {
#if defined(TVN_TSAN_HANDOVER)
    __tsan_acquire(const_cast<void*>(address));
#else
    (void)address;
#endif
}
}  // namespace handover

// A functor taking no arguments and returning nothing, carried to another
// thread. reply, when given, is published after the work has run, for the
// sender that waits for it (see RunAndWait).
template <typename F>
class CHandedWork {
    static_assert(std::is_void_v<std::invoke_result_t<F&>>, "handed work returns nothing");

public:
    explicit CHandedWork(F work, const void* reply = nullptr) : m_work(std::move(work)), m_reply(reply) {
        handover::Publish(this);
    }
    CHandedWork(CHandedWork&& other) noexcept(std::is_nothrow_move_constructible_v<F>)
        : m_work((handover::Take(&other), std::move(other.m_work))), m_reply(other.m_reply) {
        handover::Publish(&other);
        handover::Publish(this);
    }
    // std::function (a thread pool's task) wants a copyable functor.
    CHandedWork(const CHandedWork& other) : m_work((handover::Take(&other), other.m_work)), m_reply(other.m_reply) {
        handover::Publish(this);
    }
    CHandedWork& operator=(const CHandedWork&) = delete;
    CHandedWork& operator=(CHandedWork&&) = delete;
    // The receiver may be gone before the work ran: then the copy Qt still
    // holds is destroyed without running, maybe on yet another thread.
    ~CHandedWork() { handover::Take(this); }

    void operator()() {
        handover::Take(this);
        m_work();
        // Whoever destroys this copy next (the waiting sender may), or waits
        // for the work, sees what it did. Nothing of this copy is touched
        // after the first Publish.
        const void* const reply = m_reply;
        if (reply != nullptr) handover::Publish(reply);
        handover::Publish(this);
    }

private:
    F m_work;
    const void* m_reply;
};

template <typename F>
CHandedWork<std::decay_t<F>> HandedWork(F&& work) {
    return CHandedWork<std::decay_t<F>>(std::forward<F>(work));
}

// Runs work on receiver's thread from its event loop (a queued call); it is
// dropped if the receiver goes first. False when Qt refused the call.
template <typename F>
bool PostTo(QObject* receiver, F&& work) {
    return QMetaObject::invokeMethod(receiver, HandedWork(std::forward<F>(work)), Qt::QueuedConnection);
}

// Runs work on receiver's thread, which is not this one, and waits until it
// has run; what it did is seen by the caller afterwards. False when Qt
// refused the call (the work did not run).
template <typename F>
bool RunAndWait(QObject* receiver, F&& work) {
    const char reply = 0;
    CHandedWork<std::decay_t<F>> handed(std::forward<F>(work), &reply);
    const bool ran = QMetaObject::invokeMethod(receiver, std::move(handed), Qt::BlockingQueuedConnection);
    handover::Take(&reply);
    return ran;
}

}  // namespace tvn::ui
