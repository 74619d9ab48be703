// TestSource: a pushing source for framework tests. Each pin streams `sampleCount`
// numbered samples (the first four bytes hold the index, the rest its low byte) with
// times index * duration .. (index + 1) * duration, then ends the stream. A pin can be
// told to fail FillBuffer at one index, or to block there until Stop. The filter seeks
// (IMediaSeeking, media time and frames of pin 0): SetPositions restarts pin 0 there.
#pragma once

#include "platform/streaming/SourceFilter.h"

#include <atomic>
#include <memory>
#include <vector>

namespace zentar::test {

inline constexpr CLSID CLSID_TestSource = MakeGuid("{5E1D0C3A-7A51-4C55-9B0E-3F2A61C0A001}");

struct TestSourcePinConfig {
    MediaType type;
    int sampleCount = 10;
    REFERENCE_TIME sampleDuration = 400000;
    LONG bufferCount = 2;
    LONG bufferSize = 0; // 0: the type's sample size
    int failAt = -1;     // FillBuffer fails at this index
    HRESULT failWith = E_FAIL;
    int blockAt = -1; // FillBuffer waits for Stop at this index
    std::u16string name = u"Out";
};

class TestSource;

class TestSourcePin : public SourceStream {
public:
    TestSourcePin(TestSource* filter, TestSourcePinConfig config);

    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadCreate() override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    const TestSourcePinConfig& config() const { return config_; }
    int threadStarts() const { return threadStarts_.load(); }
    int nextIndex() const { return next_.load(); }
    void setStartIndex(int index) { startIndex_.store(index); }
    // Set when FillBuffer has reached blockAt and waits.
    HANDLE BlockedHandle() { return &blocked_; }

private:
    const TestSourcePinConfig config_;
    std::atomic<int> next_{0};       // streaming thread; read by the test
    std::atomic<int> startIndex_{0}; // control thread, read at thread start
    std::atomic<int> threadStarts_{0};
    Event blocked_{Event::ResetMode::Manual};
};

class TestSource : public SourceFilter, public IMediaSeeking {
public:
    static ComPtr<TestSource> Create(std::vector<TestSourcePinConfig> pins);
    explicit TestSource(std::vector<TestSourcePinConfig> pins);

    ZENTAR_FORWARD_IUNKNOWN(SourceFilter)

    TestSourcePin* pin(int index) { return static_cast<TestSourcePin*>(GetPin(index)); }

    // IMediaSeeking (of pin 0)
    HRESULT GetCapabilities(DWORD* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetCurrentPosition(LONGLONG* position) override;
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                         DWORD stopFlags) override;

protected:
    void* QueryInterfaceExtra(REFIID iid) override;

private:
    LONGLONG toFormat(int index) const;
    GUID timeFormat_ = MakeGuid("{7B785574-8C82-11CF-BC0C-00AA00AC74F6}"); // control thread
};

} // namespace zentar::test
