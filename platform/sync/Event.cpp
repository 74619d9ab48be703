#include "platform/sync/Event.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zentar {

namespace {
std::mutex& eventMutex() {
    static std::mutex mutex;
    return mutex;
}
} // namespace

struct Event::Waiter {
    std::condition_variable cv;
};

Event::Event(ResetMode mode, bool initiallySet) : mode_(mode), signaled_(initiallySet) {}

Event::~Event() {
    std::lock_guard lock(eventMutex());
    assert(waiters_.empty() && "Event destroyed while a thread waits for it");
}

void Event::Set() {
    std::lock_guard lock(eventMutex());
    signaled_ = true;
    for (Waiter* w : waiters_)
        w->cv.notify_one();
}

void Event::Reset() {
    std::lock_guard lock(eventMutex());
    signaled_ = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(eventMutex());
    return signaled_;
}

bool Event::Wait(DWORD timeoutMs) {
    HANDLE self = this;
    return WaitForMultipleObjects(1, &self, FALSE, timeoutMs) == WAIT_OBJECT_0;
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles)
        return WAIT_FAILED;
    for (DWORD i = 0; i < count; ++i)
        if (!handles[i])
            return WAIT_FAILED;

    std::unique_lock lock(eventMutex());
    // Checks the condition; on success consumes auto-reset signals and gives the result.
    auto satisfied = [&](DWORD& result) {
        if (waitAll) {
            for (DWORD i = 0; i < count; ++i)
                if (!handles[i]->signaled_)
                    return false;
            for (DWORD i = 0; i < count; ++i)
                if (handles[i]->mode_ == Event::ResetMode::Auto)
                    handles[i]->signaled_ = false;
            result = WAIT_OBJECT_0;
            return true;
        }
        for (DWORD i = 0; i < count; ++i) {
            if (handles[i]->signaled_) {
                if (handles[i]->mode_ == Event::ResetMode::Auto)
                    handles[i]->signaled_ = false;
                result = WAIT_OBJECT_0 + i;
                return true;
            }
        }
        return false;
    };

    DWORD result = WAIT_TIMEOUT;
    if (satisfied(result) || timeoutMs == 0)
        return result;

    Event::Waiter waiter;
    for (DWORD i = 0; i < count; ++i)
        handles[i]->waiters_.push_back(&waiter);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!satisfied(result)) {
        if (timeoutMs == INFINITE) {
            waiter.cv.wait(lock);
        } else if (waiter.cv.wait_until(lock, deadline) == std::cv_status::timeout) {
            if (!satisfied(result))
                result = WAIT_TIMEOUT;
            break;
        }
    }

    for (DWORD i = 0; i < count; ++i) {
        auto& list = handles[i]->waiters_;
        list.erase(std::find(list.begin(), list.end(), &waiter));
    }
    return result;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
    return WaitForMultipleObjects(1, &handle, FALSE, timeoutMs);
}

BOOL SetEvent(HANDLE handle) {
    if (!handle)
        return FALSE;
    handle->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
    if (!handle)
        return FALSE;
    handle->Reset();
    return TRUE;
}

} // namespace zentar
