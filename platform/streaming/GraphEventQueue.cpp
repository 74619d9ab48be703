#include "platform/streaming/GraphEventQueue.h"

#include <chrono>

namespace zentar {

void GraphEventQueue::Notify(LONG code, LONG_PTR param1, LONG_PTR param2) {
    std::lock_guard lock(mutex_);
    events_.push_back({code, param1, param2});
    ready_.Set();
}

HRESULT GraphEventQueue::Get(Entry* entry, DWORD timeoutMs) {
    if (!entry)
        return E_POINTER;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (!events_.empty()) {
                *entry = events_.front();
                events_.pop_front();
                if (events_.empty())
                    ready_.Reset();
                return S_OK;
            }
        }
        // Another taker may empty the queue between the wake and the lock: loop.
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return E_ABORT;
            wait = static_cast<DWORD>(left.count());
        }
        if (!ready_.Wait(wait) && timeoutMs != INFINITE && Clock::now() >= deadline)
            return E_ABORT;
    }
}

void GraphEventQueue::Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
    ready_.Reset();
}

size_t GraphEventQueue::size() {
    std::lock_guard lock(mutex_);
    return events_.size();
}

} // namespace zentar
