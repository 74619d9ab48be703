// WriterProxyFilter: what the two writer proxies (VideoWriterProxy, AudioWriterProxy)
// share: a source filter with one pin whose frames or chunks arrive through a
// ProxyHandOver, and which holds the graph's event handle from Run to Stop so that a
// waiting push ends on EC_ERRORABORT. Control calls come from the engine's thread.
#pragma once

#include "filters/ProxyHandOver.h"
#include "platform/streaming/SourceFilter.h"

namespace zentar {

class WriterProxyFilter : public SourceFilter {
public:
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT Stop() override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;

    ProxyHandOver& handOver() { return handOver_; }

protected:
    explicit WriterProxyFilter(const CLSID& clsid) : SourceFilter(clsid) {}

    // A push through the hand-over to `pin`; null ends the stream without waiting.
    HRESULT pushThrough(const BYTE* data, SourceStream* pin);

private:
    ProxyHandOver handOver_;
};

} // namespace zentar
