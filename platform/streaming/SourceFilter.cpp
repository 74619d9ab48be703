#include "platform/streaming/SourceFilter.h"

namespace zentar {

SourceFilter::~SourceFilter() {
    // Threads must be gone before the pins they run in.
    for (auto& pin : pins_)
        pin->requestStop();
    for (auto& pin : pins_)
        pin->joinThread();
}

SourceStream* SourceFilter::AddPin(std::unique_ptr<SourceStream> pin) {
    AutoLock lock(filterLock_);
    pins_.push_back(std::move(pin));
    return pins_.back().get();
}

int SourceFilter::GetPinCount() {
    AutoLock lock(filterLock_);
    return static_cast<int>(pins_.size());
}

BasePin* SourceFilter::GetPin(int index) {
    AutoLock lock(filterLock_);
    if (index < 0 || index >= static_cast<int>(pins_.size()))
        return nullptr;
    return pins_[static_cast<size_t>(index)].get();
}

HRESULT SourceFilter::Stop() {
    AutoLock lock(filterLock_);
    if (state() == State_Stopped)
        return S_OK;
    state_.store(State_Stopped, std::memory_order_release);
    // Wake every thread before joining any: one pin's thread may wait on another's.
    for (auto& pin : pins_)
        pin->requestStop();
    for (auto& pin : pins_)
        pin->joinThread();
    return deactivatePinsLocked();
}

} // namespace zentar
