#include "platform/streaming/SourceStream.h"

#include "platform/streaming/SourceFilter.h"

#include <new>

namespace zentar {

SourceStream::SourceStream(SourceFilter* filter, std::u16string_view name)
    : BaseOutputPin(filter, name), sourceFilter_(filter) {}

SourceStream::~SourceStream() {
    requestStop();
    joinThread();
}

HRESULT SourceStream::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    for (int i = 0;; ++i) {
        MediaType offered;
        if (GetMediaType(i, &offered) != S_OK)
            return S_FALSE;
        if (offered == *type)
            return S_OK;
    }
}

HRESULT SourceStream::Active() {
    HRESULT hr = BaseOutputPin::Active();
    if (FAILED(hr))
        return hr;
    hr = startThread();
    if (FAILED(hr))
        BaseOutputPin::Inactive();
    return hr;
}

HRESULT SourceStream::Inactive() {
    requestStop();
    joinThread();
    return BaseOutputPin::Inactive();
}

HRESULT SourceStream::Restart() {
    AutoLock lock(lock_);
    if (filterIsStopped() || !thread_.joinable())
        return S_OK;
    requestStop();
    // Flushing releases a thread blocked downstream (a renderer waiting in
    // DoRenderSample, a transform waiting for an output buffer).
    DeliverBeginFlush();
    joinThread();
    DeliverEndFlush();
    HRESULT hr = BaseOutputPin::Active();
    return FAILED(hr) ? hr : startThread();
}

HRESULT SourceStream::startThread() {
    stopRequested_.store(false, std::memory_order_release);
    stopEvent_.Reset();
    streamEnded_.Reset();
    std::promise<HRESULT> started;
    std::future<HRESULT> result = started.get_future();
    try {
        thread_ = std::thread(&SourceStream::threadMain, this, &started);
    } catch (const std::system_error&) {
        streamEnded_.Set();
        return E_OUTOFMEMORY;
    }
    HRESULT hr = result.get();
    if (FAILED(hr))
        joinThread();
    return hr;
}

void SourceStream::requestStop() {
    stopRequested_.store(true, std::memory_order_release);
    stopEvent_.Set();
    OnStopWake();
    if (allocator_)
        allocator_->Decommit();
}

void SourceStream::joinThread() {
    if (!thread_.joinable())
        return;
    if (thread_.get_id() == std::this_thread::get_id()) {
        // Stopped from its own streaming thread: it cannot wait for itself.
        thread_.detach();
        return;
    }
    thread_.join();
}

void SourceStream::threadMain(std::promise<HRESULT>* started) {
    HRESULT hr;
    try {
        hr = OnThreadCreate();
    } catch (...) {
        hr = E_FAIL;
    }
    started->set_value(hr); // `started` is gone after this
    if (FAILED(hr)) {
        streamEnded_.Set();
        return;
    }
    try {
        hr = OnThreadStartPlay();
        if (FAILED(hr))
            reportFailure(hr);
        else
            bufferLoop();
    } catch (const std::bad_alloc&) {
        reportFailure(E_OUTOFMEMORY);
    } catch (...) {
        reportFailure(E_FAIL);
    }
    try {
        OnThreadDestroy();
    } catch (...) {
        reportFailure(E_FAIL);
    }
    streamEnded_.Set();
}

HRESULT SourceStream::bufferLoop() {
    while (!StopRequested()) {
        ComPtr<IMediaSample> sample;
        HRESULT hr = GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0);
        if (FAILED(hr)) {
            reportFailure(hr);
            return hr;
        }
        hr = FillBuffer(sample.Get());
        if (hr == S_FALSE) {
            // Filters that drain at the end (encoders) may fail only now.
            if (!StopRequested())
                reportEndOfStreamFailure(DeliverEndOfStream());
            return S_OK;
        }
        if (FAILED(hr)) {
            reportFailure(hr);
            if (!StopRequested())
                DeliverEndOfStream();
            return hr;
        }
        if (StopRequested())
            return S_OK; // filled after Stop: dropped
        hr = Deliver(sample.Get());
        if (hr != S_OK) {
            // S_FALSE: downstream takes no more (flushing or at its end).
            if (FAILED(hr))
                reportFailure(hr);
            return hr;
        }
    }
    return S_OK;
}

void SourceStream::reportEndOfStreamFailure(HRESULT hr) {
    // S_FALSE and VFW_E_SAMPLE_REJECTED_EOS only say that downstream had ended already.
    if (FAILED(hr) && hr != VFW_E_SAMPLE_REJECTED_EOS && hr != VFW_E_NOT_CONNECTED)
        reportFailure(hr);
}

void SourceStream::reportFailure(HRESULT hr) {
    if (StopRequested() || hr == VFW_E_NOT_COMMITTED || hr == VFW_E_WRONG_STATE)
        return; // a downstream filter or this one is stopping: not a failure
    filter_->NotifyEvent(EC_ERRORABORT, hr, 0);
}

} // namespace zentar
