#include "platform/sync/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zentar {
namespace {

TEST(EventTest, AutoResetWakesOneWaiterAndClearsItself) {
    Event e(Event::ResetMode::Auto);
    EXPECT_EQ(WaitForSingleObject(&e, 0), WAIT_TIMEOUT);
    e.Set();
    EXPECT_EQ(WaitForSingleObject(&e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(&e, 0), WAIT_TIMEOUT);

    std::atomic<int> woken{0};
    std::thread a([&] { woken += e.Wait(2000); });
    std::thread b([&] { woken += e.Wait(300); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    e.Set();
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 1);
}

TEST(EventTest, ManualResetStaysSetForEveryWaiter) {
    Event e(Event::ResetMode::Manual);
    std::thread a([&] { EXPECT_TRUE(e.Wait(5000)); });
    std::thread b([&] { EXPECT_TRUE(e.Wait(5000)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    e.Set();
    a.join();
    b.join();
    EXPECT_TRUE(e.IsSet());
    e.Reset();
    EXPECT_FALSE(e.IsSet());
}

TEST(EventTest, WaitForMultipleObjectsPrefersTheLowestIndexAndTimesOut) {
    Event first(Event::ResetMode::Auto), second(Event::ResetMode::Manual);
    HANDLE handles[] = {&first, &second};
    EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 20), WAIT_TIMEOUT);
    second.Set();
    first.Set();
    EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, INFINITE), WAIT_OBJECT_0 + 1);
    first.Set();
    EXPECT_EQ(WaitForMultipleObjects(2, handles, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(first.IsSet());
    EXPECT_TRUE(second.IsSet());
    EXPECT_EQ(WaitForMultipleObjects(0, handles, FALSE, 0), WAIT_FAILED);

    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        first.Set();
    });
    second.Reset();
    EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 5000), WAIT_OBJECT_0);
    setter.join();
}

} // namespace
} // namespace zentar
