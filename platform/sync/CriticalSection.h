// CriticalSection: the host's recursive lock. The owning thread may enter it again;
// it meets the standard Lockable requirements, so std::lock_guard and
// std::unique_lock work with it. AutoLock is the scoped form.
#pragma once

#include <mutex>

namespace zentar {

class CriticalSection {
public:
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};

using AutoLock = std::lock_guard<CriticalSection>;

} // namespace zentar
