#include "filters/WriterProxyFilter.h"

namespace zentar {

HRESULT WriterProxyFilter::Run(REFERENCE_TIME start) {
    AutoLock lock(filterLock_);
    // A second Run without Stop just replaces the borrowed handle.
    handOver_.attachGraph(this);
    HRESULT hr = SourceFilter::Run(start);
    if (FAILED(hr))
        handOver_.detachGraph();
    return hr;
}

HRESULT WriterProxyFilter::Stop() {
    AutoLock lock(filterLock_);
    handOver_.detachGraph();
    return SourceFilter::Stop();
}

HRESULT WriterProxyFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    if (!graph)
        handOver_.detachGraph();
    return SourceFilter::JoinFilterGraph(graph, name);
}

HRESULT WriterProxyFilter::pushThrough(const BYTE* data, SourceStream* pin) {
    if (!data) {
        handOver_.endStream();
        return S_OK;
    }
    return handOver_.push(data, pin->StreamEndedHandle());
}

} // namespace zentar
