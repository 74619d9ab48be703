#include "tests/filters/FilterTestGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace zentar::test {

ComPtr<CollectingRenderer> CollectingRenderer::Create(MediaType accepted) {
    return MakeComObject<CollectingRenderer>(std::move(accepted));
}

HRESULT CollectingRenderer::Receive(IMediaSample* sample) {
    if (refuseFrom >= 0 && received_++ >= refuseFrom)
        return S_FALSE;
    return TestRenderer::Receive(sample);
}

HRESULT CollectingRenderer::DoRenderSample(IMediaSample* sample) {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::vector<BYTE> bytes(data, data + sample->GetActualDataLength());
    {
        std::lock_guard lock(bytesMutex_);
        payloads_.push_back(std::move(bytes));
    }
    return TestRenderer::DoRenderSample(sample);
}

std::vector<std::vector<BYTE>> CollectingRenderer::payloads() {
    std::lock_guard lock(bytesMutex_);
    return payloads_;
}

TestGraph::TestGraph() {
    FilterGraph::CreateInstance(IGraphBuilder::kIid, graph.GetVoidAddressOf());
    graph.As(control);
    graph.As(events);
}

HRESULT TestGraph::add(IBaseFilter* filter, const char16_t* name) {
    return graph->AddFilter(filter, name);
}

IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.GetAddressOf())))
        return nullptr;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        ComPtr<IPin> owned = ComPtr<IPin>::Adopt(pin);
        PIN_DIRECTION d;
        if (SUCCEEDED(owned->QueryDirection(&d)) && d == direction)
            return owned.Get(); // the filter keeps its pins alive
    }
    return nullptr;
}

HRESULT TestGraph::connect(IBaseFilter* upstream, IBaseFilter* downstream) {
    IPin* out = FirstPin(upstream, PINDIR_OUTPUT);
    IPin* in = FirstPin(downstream, PINDIR_INPUT);
    if (!out || !in)
        return E_FAIL;
    return graph->ConnectDirect(out, in, nullptr);
}

bool WaitForGraphEvent(IMediaEvent* events, LONG code, int timeoutMs, LONG_PTR* param1) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        LONG got = 0;
        LONG_PTR p1 = 0;
        LONG_PTR p2 = 0;
        const auto wait = static_cast<LONG>(std::max<int64_t>(left.count(), 0));
        if (FAILED(events->GetEvent(&got, &p1, &p2, wait)))
            return false;
        events->FreeEventParams(got, p1, p2);
        if (got == code) {
            if (param1)
                *param1 = p1;
            return true;
        }
    }
}

void MustReturnWithin(int timeoutMs, const char* what, const std::function<void()>& call) {
    std::packaged_task<void()> task(call);
    std::future<void> done = task.get_future();
    std::thread worker(std::move(task));
    if (done.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) {
        std::fprintf(stderr, "FAILED: %s did not return within %d ms\n", what, timeoutMs);
        std::fflush(stderr);
        std::_Exit(1);
    }
    worker.join();
    done.get();
}

} // namespace zentar::test
