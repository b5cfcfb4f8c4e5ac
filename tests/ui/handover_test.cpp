// Work carried between threads: a queued call from a worker runs once on the
// GUI thread and sees what the worker wrote, a call whose receiver has gone
// is dropped with what it held, a blocking call returns after the GUI thread
// has run it, and a thread pool task runs once. In the ThreadSanitizer build
// these also show that the handovers raise no report.
#include <QThread>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/ui/ui_test_support.h"
#include "ui/handover.h"

namespace tvn::ui {
namespace {

TEST(Handover, AWorkersQueuedCallRunsOnceOnTheGuiThreadWithWhatTheWorkerWrote) {
    QObject receiver;
    std::vector<std::string> seen;
    int runs = 0;
    bool onGui = false;
    std::thread worker([&] {
        // Written by the worker only, before the handover.
        auto lines = std::make_shared<std::vector<std::string>>();
        for (int i = 0; i < 100; ++i) lines->push_back("line " + std::to_string(i));
        EXPECT_TRUE(PostTo(&receiver, [&, lines] {
            ++runs;
            onGui = QThread::currentThread() == receiver.thread();
            seen = *lines;
        }));
    });
    worker.join();
    EXPECT_EQ(runs, 0) << "a queued call waits for the receiver's event loop";
    ASSERT_TRUE(test::WaitFor([&] { return runs > 0; }));
    test::Spin(20);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(onGui);
    ASSERT_EQ(seen.size(), 100u);
    EXPECT_EQ(seen[99], "line 99");
}

TEST(Handover, ACallWhoseReceiverWentIsDroppedAndWhatItHeldFreed) {
    auto held = std::make_shared<std::string>("a decoded picture");
    std::weak_ptr<std::string> watch = held;
    bool ran = false;
    auto receiver = std::make_unique<QObject>();
    std::thread worker([&, held = std::move(held)]() mutable {
        PostTo(receiver.get(), [&ran, held = std::move(held)] { ran = !held->empty(); });
    });
    worker.join();
    receiver.reset();
    test::Spin(20);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(watch.expired()) << "the dropped call's captures are destroyed";
}

TEST(Handover, ABlockingCallReturnsAfterTheGuiThreadRanItAndSeesItsWrites) {
    QObject receiver;
    std::atomic<bool> back{false};
    std::string answer;
    bool ran = false;
    bool sawAnswer = false;
    std::thread worker([&] {
        const std::string question = "stop the scan?";
        ran = RunAndWait(&receiver, [&] { answer = "yes to " + question; });
        // The GUI thread's write is seen here without further locking.
        sawAnswer = answer == "yes to stop the scan?";
        back.store(true);
    });
    ASSERT_TRUE(test::WaitFor([&] { return back.load(); }));
    worker.join();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(sawAnswer) << answer;
}

TEST(Handover, AThreadPoolTaskRunsOnceAndItsResultComesBack) {
    QObject receiver;
    QThreadPool pool;
    pool.setMaxThreadCount(1);
    std::vector<int> results;
    for (int i = 0; i < 20; ++i) {
        auto input = std::make_shared<std::vector<int>>(64, i);
        pool.start(HandedWork([&receiver, &results, input] {
            int sum = 0;
            for (int v : *input) sum += v;
            PostTo(&receiver, [&results, sum] { results.push_back(sum); });
        }));
    }
    pool.waitForDone();
    ASSERT_TRUE(test::WaitFor([&] { return results.size() >= 20; }));
    test::Spin(20);
    ASSERT_EQ(results.size(), 20u);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(results[static_cast<size_t>(i)], 64 * i);
}

}  // namespace
}  // namespace tvn::ui
