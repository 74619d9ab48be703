// GraphEventQueue: the graph's queue of events (code and two parameters). Notify may
// be called from any thread (streaming threads report EC_COMPLETE and EC_ERRORABORT);
// Get is called by whoever watches the graph. The manual-reset handle is set exactly
// while the queue holds events, so it can be waited on together with other events.
// The queue and the handle's state are guarded by mutex_.
#pragma once

#include "platform/streaming/StreamingCodes.h"
#include "platform/sync/Event.h"

#include <deque>
#include <mutex>

namespace zentar {

class GraphEventQueue {
public:
    struct Entry {
        LONG code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
    };

    void Notify(LONG code, LONG_PTR param1, LONG_PTR param2);
    // Takes the oldest event, waiting up to timeoutMs (INFINITE: no limit); E_ABORT
    // when none came in time.
    HRESULT Get(Entry* entry, DWORD timeoutMs);
    // Drops every queued event.
    void Clear();
    size_t size();
    HANDLE handle() { return &ready_; }

private:
    std::mutex mutex_;
    std::deque<Entry> events_;              // mutex_
    Event ready_{Event::ResetMode::Manual}; // set while events_ is not empty (under mutex_)
};

} // namespace zentar
