// SourceFilter: a filter whose output pins are SourceStreams, each with its streaming
// thread. Pause from Stopped starts every connected pin's thread; Stop first wakes all
// of them (stop flag, stop events, OnStopWake, allocator decommit), then joins them.
// The pins are created by the subclass and handed over with AddPin; the filter owns
// them. Control calls come from the control thread.
#pragma once

#include "platform/streaming/BaseFilter.h"
#include "platform/streaming/SourceStream.h"

#include <memory>
#include <vector>

namespace zentar {

class SourceFilter : public BaseFilter {
public:
    HRESULT Stop() override;

    int GetPinCount() override;
    BasePin* GetPin(int index) override;

protected:
    explicit SourceFilter(const CLSID& clsid) : BaseFilter(clsid) {}
    ~SourceFilter() override;

    // Takes ownership of a pin made for this filter; returns it.
    SourceStream* AddPin(std::unique_ptr<SourceStream> pin);

private:
    std::vector<std::unique_ptr<SourceStream>> pins_; // filterLock_; fixed once built
};

} // namespace zentar
