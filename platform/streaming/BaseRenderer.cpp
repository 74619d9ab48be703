#include "platform/streaming/BaseRenderer.h"

namespace zentar {

BaseRenderer::BaseRenderer(const CLSID& clsid, std::u16string_view pinName)
    : BaseFilter(clsid), inputPin_(std::make_unique<RendererInputPin>(this, pinName)) {}

BaseRenderer::~BaseRenderer() = default;

BasePin* BaseRenderer::GetPin(int index) {
    return index == 0 ? inputPin_.get() : nullptr;
}

HRESULT BaseRenderer::GetMediaType(int position, MediaType* type) {
    if (!type)
        return E_POINTER;
    return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

void BaseRenderer::wakeRenderer() {
    stopWake_.Set();
    OnStopWake();
}

HRESULT BaseRenderer::Stop() {
    AutoLock lock(filterLock_);
    if (state() == State_Stopped)
        return S_OK;
    // Wake a DoRenderSample that waits before waiting for the lock it holds.
    wakeRenderer();
    AutoLock renderLock(interfaceLock_);
    state_.store(State_Stopped, std::memory_order_release);
    endOfStream_.store(false);
    completeSent_.store(false);
    return deactivatePinsLocked();
}

HRESULT BaseRenderer::OnLeavingStopped() {
    stopWake_.Reset();
    endOfStream_.store(false);
    completeSent_.store(false);
    return S_OK;
}

void BaseRenderer::OnRunning() {
    // An end of stream that came while paused completes now. No interface lock here:
    // a sample being rendered may hold it for as long as it waits.
    std::lock_guard lock(completeMutex_);
    sendCompleteIfDueLocked();
}

void BaseRenderer::sendCompleteIfDueLocked() {
    if (endOfStream_.load() && state_.load() == State_Running && !completeSent_.exchange(true))
        NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT BaseRenderer::Receive(IMediaSample* sample) {
    AutoLock renderLock(interfaceLock_);
    HRESULT hr = inputPin_->baseReceiveCheck(sample);
    if (hr != S_OK)
        return hr;
    if (stopWake_.IsSet())
        return S_FALSE; // stopping or flushing: nothing more is rendered
    return DoRenderSample(sample);
}

HRESULT BaseRenderer::EndOfStream() {
    AutoLock renderLock(interfaceLock_);
    HRESULT hr = inputPin_->baseEndOfStream();
    if (hr != S_OK)
        return hr;
    std::lock_guard lock(completeMutex_);
    endOfStream_.store(true);
    sendCompleteIfDueLocked();
    return S_OK;
}

HRESULT BaseRenderer::BeginFlush() {
    inputPin_->baseBeginFlush();
    wakeRenderer();
    AutoLock renderLock(interfaceLock_);
    endOfStream_.store(false);
    completeSent_.store(false);
    return S_OK;
}

HRESULT BaseRenderer::EndFlush() {
    AutoLock renderLock(interfaceLock_);
    if (state() != State_Stopped)
        stopWake_.Reset();
    return inputPin_->baseEndFlush();
}

} // namespace zentar
