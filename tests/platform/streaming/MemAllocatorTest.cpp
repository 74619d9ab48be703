#include "platform/streaming/MemAllocator.h"
#include "tests/support/streaming/StreamingTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zentar {
namespace {

using test::kWaitMs;

ComPtr<MemAllocator> committedAllocator(LONG count, LONG size, LONG align = 16) {
    ComPtr<MemAllocator> allocator = MemAllocator::Create();
    ALLOCATOR_PROPERTIES request{count, size, align, 8}, actual;
    EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(actual.cBuffers, count);
    EXPECT_EQ(allocator->Commit(), S_OK);
    return allocator;
}

TEST(MemAllocatorTest, GetBufferBlocksWhileAllInUseAndWakesOnReturn) {
    ComPtr<MemAllocator> allocator = committedAllocator(2, 32);
    ComPtr<IMediaSample> first, second;
    ASSERT_EQ(allocator->GetBuffer(first.GetAddressOf(), nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(allocator->GetBuffer(second.GetAddressOf(), nullptr, nullptr, 0), S_OK);

    std::atomic<bool> got{false};
    Event waiting(Event::ResetMode::Manual);
    std::thread taker([&] {
        waiting.Set();
        ComPtr<IMediaSample> third;
        EXPECT_EQ(allocator->GetBuffer(third.GetAddressOf(), nullptr, nullptr, 0), S_OK);
        got = true;
    });
    ASSERT_TRUE(waiting.Wait(kWaitMs));
    EXPECT_FALSE(got.load()) << "GetBuffer must wait while both buffers are out";
    first = nullptr; // returning one buffer wakes the taker
    test::CallBounded([&] {
        taker.join();
        return S_OK;
    });
    EXPECT_TRUE(got.load());
}

TEST(MemAllocatorTest, DecommitWakesEveryWaiterWithFailureAndFreesLateReturns) {
    ComPtr<MemAllocator> allocator = committedAllocator(1, 32);
    ComPtr<IMediaSample> held;
    ASSERT_EQ(allocator->GetBuffer(held.GetAddressOf(), nullptr, nullptr, 0), S_OK);

    std::vector<std::thread> takers;
    std::atomic<int> refused{0};
    for (int i = 0; i < 3; ++i) {
        takers.emplace_back([&] {
            ComPtr<IMediaSample> sample;
            if (allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0) ==
                VFW_E_NOT_COMMITTED)
                ++refused;
        });
    }
    test::CallBounded([&] {
        while (allocator->waitingCount() < 3)
            std::this_thread::yield();
        return S_OK;
    });
    allocator->Decommit();
    test::CallBounded([&] {
        for (auto& t : takers)
            t.join();
        return S_OK;
    });
    EXPECT_EQ(refused.load(), 3);
    EXPECT_EQ(allocator->outstandingCount(), 1);
    // The allocator may go before the last sample: the sample keeps it alive.
    MemAllocator* raw = allocator.Get();
    allocator = nullptr;
    EXPECT_EQ(raw->outstandingCount(), 1);
    held = nullptr; // frees the buffer and the allocator (checked by the sanitizer builds)
}

} // namespace
} // namespace zentar
