// The console's queue between the port worker and the console's thread.
#include "worker/console_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Ran {
    int index;
    std::thread::id thread;
};

TEST(ConsoleQueueTest, OperationsRunOnTheConsumersThreadInCallOrder) {
    ConsoleQueue queue;
    std::vector<Ran> ran;
    bool last = false;
    std::thread producer([&] {
        for (int i = 0; i < 1000; ++i) {
            queue.Post([&ran, i] { ran.push_back({i, std::this_thread::get_id()}); });
        }
        queue.Post([&last] { last = true; });
    });
    queue.ServeUntil([&] { return last; });
    producer.join();
    // Posted on the consumer's own thread: runs at once, after what was queued before.
    queue.Post([&ran] { ran.push_back({1000, std::this_thread::get_id()}); });

    ASSERT_EQ(ran.size(), 1001u);
    for (int i = 0; i <= 1000; ++i) {
        EXPECT_EQ(ran[static_cast<std::size_t>(i)].index, i);
        EXPECT_EQ(ran[static_cast<std::size_t>(i)].thread, std::this_thread::get_id());
    }
}

TEST(ConsoleQueueTest, APostGoesOnAtOnceACallWaitsUntilTheConsumerRanIt) {
    ConsoleQueue queue;
    std::atomic<int> shown{0};
    std::promise<void> posted;
    std::atomic<bool> callReturned{false};
    std::thread producer([&] {
        queue.Post([&] { ++shown; });
        posted.set_value();
        queue.Call([&] { ++shown; });
        callReturned = true;
    });
    posted.get_future().wait();
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(callReturned) << "nobody has served the queue yet";
    EXPECT_EQ(shown, 0);

    queue.ServeUntil([&] { return shown == 2; });
    producer.join();
    EXPECT_TRUE(callReturned);
}

TEST(ConsoleQueueTest, ACallEndsWhenItsQueueGoesUnserved) {
    auto queue = std::make_unique<ConsoleQueue>();
    std::promise<void> queued;
    queue->SetWakeUp([&] { queued.set_value(); });
    bool ran = false;
    std::thread producer([&] { queue->Call([&] { ran = true; }); });
    queued.get_future().wait();

    queue.reset();
    producer.join();
    EXPECT_FALSE(ran);
}

TEST(ConsoleQueueTest, TheConsumerIsWokenOnceUntilItHasRunTheQueueDry) {
    ConsoleQueue queue;
    std::atomic<int> wakeUps{0};
    queue.SetWakeUp([&] { ++wakeUps; });
    int ran = 0;
    const auto postFromAnotherThread = [&](int count) {
        std::thread([&] {
            for (int i = 0; i < count; ++i) {
                queue.Post([&ran] { ++ran; });
            }
        }).join();
    };

    postFromAnotherThread(100);
    EXPECT_EQ(wakeUps, 1);
    queue.RunPending();
    EXPECT_EQ(ran, 100);
    postFromAnotherThread(3);
    EXPECT_EQ(wakeUps, 2);
    queue.Nudge();
    EXPECT_EQ(wakeUps, 3) << "a nudge always wakes";
}

}  // namespace
