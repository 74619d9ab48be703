// ProxyHandOver: the one-item rendezvous between the engine's thread and the streaming
// thread of a writer proxy pin (VideoWriterProxy, AudioWriterProxy). The engine
// publishes a pointer to its bytes and blocks in push() until the pin has copied them;
// the pin waits in waitForData() for the next pointer. A null pointer ends the stream.
//
// Events: runGate (manual) is open from the start of a streaming thread until the end
// push; dataReady (auto) says a pointer is on offer; dataConsumed (auto) says the pin is
// done with it. The pushed bytes stay the engine's (borrowed, never freed here).
//
// A push never waits forever: besides dataConsumed it watches the writer graph's event
// handle (EC_ERRORABORT ends it with the error, other events are dropped) and the end of
// the pin's streaming loop (a stopped, refused or never started stream). When it ends
// without the copy it takes its offer back, or waits for a copy already under way, so
// the engine may reuse its bytes as soon as push() returns.
//
// Threads: push/endStream on the engine's thread; attachGraph/detachGraph on the
// control thread (the same thread in this program); startStream, gateOpen, waitForData,
// data and signalConsumed on the pin's streaming thread.
#pragma once

#include "platform/streaming/StreamingInterfaces.h"
#include "platform/sync/Event.h"

#include <atomic>
#include <mutex>

namespace zentar {

class ProxyHandOver {
public:
    // Hands over `data` (not null) and waits until the pin copied it: S_OK; the error of
    // an EC_ERRORABORT from the graph (E_FAIL when its code is not negative); or
    // VFW_E_WRONG_STATE when the pin's streaming loop is not running (never started,
    // stopped, or ended because downstream took no more). `streamEnded` is the pin's
    // handle that is set while no streaming loop runs.
    HRESULT push(const BYTE* data, HANDLE streamEnded);
    // The end push: closes the gate and wakes the pin with a null pointer; no wait.
    void endStream();

    // Filter Run: remembers the graph's IMediaEvent (borrowed: the graph owns the
    // filter, and a reference would keep a graph that is dropped while running alive)
    // and its event handle. Filter Stop and leaving the graph forget them.
    void attachGraph(IBaseFilter* filter);
    void detachGraph();

    // OnThreadCreate: opens the gate and drops signals left over from an earlier run.
    void startStream();
    bool gateOpen() const { return runGate_.IsSet(); }
    // Waits for the next offer; false when `stopEvent` came first.
    bool waitForData(HANDLE stopEvent);
    const BYTE* data() const { return data_.load(std::memory_order_acquire); }
    void signalConsumed() { dataConsumed_.Set(); }

private:
    // After a push that ended without dataConsumed: the offer must not outlive it.
    void withdraw(HANDLE streamEnded);
    // One event from the graph: true (and the result) for EC_ERRORABORT.
    static bool takeAbortEvent(IMediaEvent* events, HRESULT* result);

    Event runGate_{Event::ResetMode::Manual};
    Event dataReady_{Event::ResetMode::Auto};
    Event dataConsumed_{Event::ResetMode::Auto};
    std::atomic<const BYTE*> data_{nullptr}; // engine writes before dataReady

    std::mutex graphMutex_;
    IMediaEvent* graphEvents_ = nullptr; // graphMutex_; borrowed from the graph
    HANDLE graphHandle_ = nullptr;       // graphMutex_; owned by the graph
};

} // namespace zentar
