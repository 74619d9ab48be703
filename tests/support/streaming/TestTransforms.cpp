#include "tests/support/streaming/TestTransforms.h"

#include "platform/streaming/MediaGuids.h"

#include <algorithm>
#include <cstring>

namespace zentar::test {

HRESULT PassThroughTransform::DecideBufferSize(IMemAllocator* allocator,
                                               ALLOCATOR_PROPERTIES* request) {
    const auto minimumSize = static_cast<LONG>(InputPin()->CurrentMediaType().lSampleSize);
    ALLOCATOR_PROPERTIES upstream;
    ComPtr<IMemAllocator> inputAllocator;
    if (SUCCEEDED(InputPin()->GetAllocator(inputAllocator.GetAddressOf())))
        inputAllocator->GetProperties(&upstream);
    request->cBuffers = std::max<LONG>(upstream.cBuffers, 1) + 1;
    request->cbBuffer = std::max(upstream.cbBuffer, minimumSize);
    ALLOCATOR_PROPERTIES actual;
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT PassThroughTransform::CheckInputType(const MediaType* /*input*/) {
    return S_OK;
}

HRESULT PassThroughTransform::CheckTransform(const MediaType* input, const MediaType* output) {
    return *input == *output ? S_OK : S_FALSE;
}

HRESULT PassThroughTransform::GetMediaType(int position, MediaType* type) {
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = InputPin()->CurrentMediaType();
    return S_OK;
}

HRESULT PassThroughTransform::Transform(IMediaSample* input, IMediaSample* output) {
    if (ordinal_++ == failAt)
        return failWith;
    BYTE* in = nullptr;
    BYTE* out = nullptr;
    input->GetPointer(&in);
    output->GetPointer(&out);
    const LONG length = std::min(input->GetActualDataLength(), output->GetSize());
    std::memcpy(out, in, static_cast<size_t>(length));
    return output->SetActualDataLength(length);
}

HRESULT PairingTransform::Receive(IMediaSample* input) {
    HRESULT hr = receiveCheck(input);
    if (hr != S_OK)
        return hr;
    Held current;
    BYTE* data = nullptr;
    input->GetPointer(&data);
    current.data.assign(data, data + input->GetActualDataLength());
    input->GetTime(&current.start, &current.stop);
    if (!holding_) {
        held_ = std::move(current);
        holding_ = true;
        return S_OK; // nothing out yet
    }
    holding_ = false;
    hr = emit(held_);
    return FAILED(hr) || hr == S_FALSE ? hr : emit(current);
}

HRESULT PairingTransform::emit(const Held& held) {
    ComPtr<IMediaSample> output;
    HRESULT hr = GetOutputBuffer(output);
    if (FAILED(hr))
        return hr;
    BYTE* out = nullptr;
    output->GetPointer(&out);
    const LONG length = std::min(static_cast<LONG>(held.data.size()), output->GetSize());
    std::memcpy(out, held.data.data(), static_cast<size_t>(length));
    output->SetActualDataLength(length);
    REFERENCE_TIME start = held.start, stop = held.stop;
    output->SetTime(&start, &stop);
    output->SetSyncPoint(TRUE);
    return DeliverOutput(output.Get());
}

HRESULT PairingTransform::OnEndOfStream() {
    if (!holding_)
        return S_OK;
    holding_ = false;
    return emit(held_);
}

void PairingTransform::OnFlush() {
    holding_ = false;
}

HRESULT PairingTransform::StopStreaming() {
    holding_ = false;
    return S_OK;
}

} // namespace zentar::test
