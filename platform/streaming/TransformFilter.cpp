#include "platform/streaming/TransformFilter.h"

namespace zentar {

TransformFilter::TransformFilter(const CLSID& clsid)
    : BaseFilter(clsid), input_(std::make_unique<TransformInputPin>(this, u"In")),
      output_(std::make_unique<TransformOutputPin>(this, u"Out")) {}

TransformFilter::~TransformFilter() = default;

BasePin* TransformFilter::GetPin(int index) {
    if (index == 0)
        return input_.get();
    if (index == 1)
        return output_.get();
    return nullptr;
}

HRESULT TransformFilter::Stop() {
    AutoLock lock(filterLock_);
    if (state() == State_Stopped)
        return S_OK;
    state_.store(State_Stopped, std::memory_order_release);
    HRESULT hr = deactivatePinsLocked(); // wakes a Receive waiting for an output buffer
    AutoLock receive(receiveLock_);      // waits until the streaming thread has left
    HRESULT stopped = StopStreaming();
    return FAILED(hr) ? hr : stopped;
}

HRESULT TransformFilter::receiveCheck(IMediaSample* input) {
    HRESULT hr = input_->baseReceiveCheck(input);
    if (hr != S_OK)
        return hr;
    return output_->IsConnected() ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT TransformFilter::GetOutputBuffer(ComPtr<IMediaSample>& output) {
    return output_->GetDeliveryBuffer(output.GetAddressOf(), nullptr, nullptr, 0);
}

HRESULT TransformFilter::DeliverOutput(IMediaSample* output) {
    return output_->Deliver(output);
}

HRESULT TransformFilter::Transform(IMediaSample* /*input*/, IMediaSample* /*output*/) {
    // A filter that keeps the default Receive must transform.
    return E_UNEXPECTED;
}

HRESULT TransformFilter::Receive(IMediaSample* input) {
    HRESULT hr = receiveCheck(input);
    if (hr != S_OK)
        return hr;
    ComPtr<IMediaSample> output;
    hr = GetOutputBuffer(output);
    if (FAILED(hr))
        return hr;
    REFERENCE_TIME start = 0, stop = 0;
    hr = input->GetTime(&start, &stop);
    if (hr == S_OK)
        output->SetTime(&start, &stop);
    else if (hr == VFW_S_NO_STOP_TIME)
        output->SetTime(&start, nullptr);
    output->SetSyncPoint(input->IsSyncPoint() == S_OK);
    output->SetDiscontinuity(input->IsDiscontinuity() == S_OK);
    hr = Transform(input, output.Get());
    if (hr == S_FALSE)
        return S_OK; // dropped on purpose
    if (FAILED(hr))
        return hr;
    return DeliverOutput(output.Get());
}

HRESULT TransformFilter::EndOfStream() {
    HRESULT hr = input_->baseEndOfStream();
    if (hr != S_OK)
        return hr;
    hr = OnEndOfStream();
    HRESULT delivered = output_->DeliverEndOfStream();
    return FAILED(hr) ? hr : delivered;
}

HRESULT TransformFilter::BeginFlush() {
    input_->baseBeginFlush();
    return output_->DeliverBeginFlush();
}

HRESULT TransformFilter::EndFlush() {
    {
        AutoLock receive(receiveLock_);
        OnFlush();
    }
    input_->baseEndFlush();
    return output_->DeliverEndFlush();
}

} // namespace zentar
