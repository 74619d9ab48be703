// Helpers for the streaming framework tests: bounded waits that end the test process
// when a call deadlocks (rather than waiting for the suite's time limit), and small
// graph-building shortcuts.
#pragma once

#include "platform/streaming/FilterGraph.h"
#include "platform/streaming/FilterRegistry.h"
#include "platform/streaming/MediaGuids.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

namespace zentar::test {

inline constexpr int kWaitMs = 10000; // generous: a TSan build on a busy machine is slow

// Runs `call` on another thread and returns its result; a call that does not return
// within the time fails the test and ends the process (a deadlock cannot be undone).
inline HRESULT CallBounded(const std::function<HRESULT()>& call, int timeoutMs = kWaitMs) {
    std::packaged_task<HRESULT()> task(call);
    std::future<HRESULT> result = task.get_future();
    std::thread worker(std::move(task));
    if (result.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) {
        std::fprintf(stderr, "FATAL: call did not return within %d ms (deadlock)\n", timeoutMs);
        std::fflush(stderr);
        std::_Exit(2);
    }
    worker.join();
    return result.get();
}

inline ComPtr<IGraphBuilder> MakeGraph() {
    ComPtr<IGraphBuilder> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                     graph.GetVoidAddressOf());
    return graph;
}

inline ComPtr<IPin> PinOf(IBaseFilter* filter, const char16_t* name) {
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.GetAddressOf());
    return pin;
}

// Takes events until `code` arrives (returns true with its parameter) or none comes
// within the time.
inline bool WaitForEvent(IGraphBuilder* graph, LONG code, LONG_PTR* param1 = nullptr,
                         int timeoutMs = kWaitMs) {
    ComPtr<IMediaEvent> events = ComPtr<IGraphBuilder>(graph).As<IMediaEvent>();
    for (;;) {
        LONG got = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (FAILED(events->GetEvent(&got, &p1, &p2, timeoutMs)))
            return false;
        events->FreeEventParams(got, p1, p2);
        if (got == code) {
            if (param1)
                *param1 = p1;
            return true;
        }
    }
}

// Unregisters a registry entry when the test ends.
class ScopedRegistration {
public:
    explicit ScopedRegistration(FilterRegistry::RegistrationId id) : id_(id) {}
    ~ScopedRegistration() { FilterRegistry::Unregister(id_); }
    ScopedRegistration(const ScopedRegistration&) = delete;
    ScopedRegistration& operator=(const ScopedRegistration&) = delete;

private:
    FilterRegistry::RegistrationId id_;
};

} // namespace zentar::test
