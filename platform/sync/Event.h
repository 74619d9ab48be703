// Event: the kernel event of the host, auto- or manual-reset, and the waits on one or
// several events (WaitForSingleObject, WaitForMultipleObjects). A HANDLE is a borrowed
// pointer to an Event; whoever created the Event owns it and must outlive every wait.
//
// All events share one mutex; a waiter registers a condition variable of its own on
// each event it waits for, so Set wakes only the threads that wait for that event.
// An auto-reset event that satisfies a wait is cleared by that wait, so exactly one
// waiter consumes each Set.
#pragma once

#include "platform/com/HResult.h"

#include <cstdint>
#include <vector>

namespace zentar {

inline constexpr DWORD INFINITE = 0xFFFFFFFFu;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
inline constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

class Event;
using HANDLE = Event*;

class Event {
public:
    enum class ResetMode { Auto, Manual };

    explicit Event(ResetMode mode, bool initiallySet = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // A snapshot; for an auto-reset event it does not consume the signal.
    bool IsSet() const;
    // True when signalled within the time (and consumed, for an auto-reset event).
    bool Wait(DWORD timeoutMs = INFINITE);

    ResetMode mode() const { return mode_; }

private:
    friend DWORD WaitForMultipleObjects(DWORD, const HANDLE*, BOOL, DWORD);
    struct Waiter;

    const ResetMode mode_;
    bool signaled_;                 // guarded by the shared event mutex
    std::vector<Waiter*> waiters_;  // guarded by the shared event mutex
};

// Returns WAIT_OBJECT_0 + i for the first signalled handle in index order (waitAll
// false), or WAIT_OBJECT_0 when all are signalled at once (waitAll true);
// WAIT_TIMEOUT after timeoutMs; WAIT_FAILED for a bad argument.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs);
DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs);
BOOL SetEvent(HANDLE handle);
BOOL ResetEvent(HANDLE handle);

} // namespace zentar
