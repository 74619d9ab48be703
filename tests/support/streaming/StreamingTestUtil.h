// Helpers for the streaming and filter tests: bounded waits that end the test process
// when a call deadlocks (rather than waiting for the suite's time limit), and small
// graph-building shortcuts.
#pragma once

#include "platform/streaming/FilterGraph.h"
#include "platform/streaming/FilterRegistry.h"
#include "platform/streaming/MediaGuids.h"
#include "tests/support/streaming/TestMediaTypes.h"
#include "tests/support/streaming/TestRenderer.h"
#include "tests/support/streaming/TestSource.h"

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

// The first pin of `filter` in `direction` (borrowed: the filter keeps its pins alive).
inline IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
    ComPtr<IEnumPins> pins;
    IPin* pin = nullptr;
    if (SUCCEEDED(filter->EnumPins(pins.GetAddressOf()))) {
        while (pins->Next(1, &pin, nullptr) == S_OK) {
            ComPtr<IPin> owned = ComPtr<IPin>::Adopt(pin);
            PIN_DIRECTION d;
            if (SUCCEEDED(owned->QueryDirection(&d)) && d == direction)
                return owned.Get();
        }
    }
    return nullptr;
}

// A graph around filters under test, joined output to input by their first pins.
struct TestGraph {
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IMediaControl> control = graph.As<IMediaControl>();
    ComPtr<IMediaEvent> events = graph.As<IMediaEvent>();

    HRESULT add(IBaseFilter* filter, const char16_t* name) {
        return graph->AddFilter(filter, name);
    }
    HRESULT connect(IBaseFilter* upstream, IBaseFilter* downstream) {
        IPin* out = FirstPin(upstream, PINDIR_OUTPUT);
        IPin* in = FirstPin(downstream, PINDIR_INPUT);
        return out && in ? graph->ConnectDirect(out, in, nullptr) : E_FAIL;
    }
};

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

// A request for any type of one major type.
inline MediaType MajorType(const GUID& major) {
    MediaType request;
    request.majortype = major;
    return request;
}

// One pin of `count` 8 x 4 RGB24 frames of `duration` each.
inline TestSourcePinConfig VideoPinConfig(int count, REFERENCE_TIME duration = 400000) {
    TestSourcePinConfig config;
    config.type = MakeVideoType(8, 4);
    config.sampleCount = count;
    config.sampleDuration = duration;
    return config;
}

// source -> [transform] -> renderer taking `accepted`, connected through the graph.
struct Chain {
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IMediaControl> control = graph.As<IMediaControl>();
    ComPtr<IMediaEvent> events = graph.As<IMediaEvent>();
    ComPtr<TestSource> source;
    ComPtr<TestRenderer> renderer;

    explicit Chain(ComPtr<TestSource> from, IBaseFilter* transform = nullptr,
                   MediaType accepted = MajorType(MEDIATYPE_Video))
        : source(std::move(from)), renderer(TestRenderer::Create(std::move(accepted))) {
        EXPECT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);
        EXPECT_EQ(graph->AddFilter(renderer.Get(), u"Renderer"), S_OK);
        IPin* out = source->pin(0);
        if (transform) {
            EXPECT_EQ(graph->AddFilter(transform, u"Transform"), S_OK);
            EXPECT_EQ(graph->Connect(out, PinOf(transform, u"In").Get()), S_OK);
            EXPECT_EQ(graph->Connect(PinOf(transform, u"Out").Get(), renderer->InputPin()), S_OK);
        } else {
            EXPECT_EQ(graph->Connect(out, renderer->InputPin()), S_OK);
        }
    }
    explicit Chain(TestSourcePinConfig config, IBaseFilter* transform = nullptr,
                   MediaType accepted = MajorType(MEDIATYPE_Video))
        : Chain(TestSource::Create({std::move(config)}), transform, std::move(accepted)) {}

    bool noEventQueued() {
        LONG code;
        LONG_PTR p1, p2;
        return events->GetEvent(&code, &p1, &p2, 0) == E_ABORT;
    }
    HRESULT stop() {
        return CallBounded([&] { return control->Stop(); });
    }
};

} // namespace zentar::test
