// Test helpers for the program's filters: a graph around one filter under test, a
// collecting renderer that also keeps the bytes it renders and can refuse samples
// with S_FALSE, bounded waits for graph events, and a guard that fails (and ends the
// test binary) when a call that must return does not.
#pragma once

#include "platform/streaming/FilterGraph.h"
#include "tests/support/streaming/TestMediaTypes.h"
#include "tests/support/streaming/TestRenderer.h"

#include <functional>
#include <vector>

namespace zentar::test {

// A TestRenderer that keeps a copy of every rendered sample's bytes and, when
// refuseFrom >= 0, answers S_FALSE (takes no more) from that sample on.
class CollectingRenderer : public TestRenderer {
public:
    static ComPtr<CollectingRenderer> Create(MediaType accepted);
    explicit CollectingRenderer(MediaType accepted) : TestRenderer(std::move(accepted)) {}

    HRESULT Receive(IMediaSample* sample) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;

    int refuseFrom = -1; // set before the graph runs
    std::vector<std::vector<BYTE>> payloads();

private:
    std::mutex bytesMutex_;
    std::vector<std::vector<BYTE>> payloads_; // bytesMutex_
    int received_ = 0;                        // streaming thread only
};

// A graph with the filter under test and, optionally, a collecting renderer.
struct TestGraph {
    TestGraph();
    HRESULT add(IBaseFilter* filter, const char16_t* name);
    // Connects the first output pin of `upstream` to the first input pin of `downstream`.
    HRESULT connect(IBaseFilter* upstream, IBaseFilter* downstream);

    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
};

// Waits up to timeoutMs for an event with `code`, dropping others (with 0, takes only
// what is queued already); its first parameter goes to *param1.
bool WaitForGraphEvent(IMediaEvent* events, LONG code, int timeoutMs, LONG_PTR* param1 = nullptr);

// Runs `call` on a helper thread; if it has not returned within timeoutMs the test
// binary is ended with a message (a blocked call cannot be abandoned safely).
void MustReturnWithin(int timeoutMs, const char* what, const std::function<void()>& call);

IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction); // borrowed

} // namespace zentar::test
