// FileSourceFilter: the platform's source filter for a media file (what AddSourceFilter
// creates): demuxing and decoding in one filter over a DecoderSource, with one output pin
// per audio and video stream ("Video", "Audio", then "Video 2" ...). Only the streams whose
// pins are connected when the filter leaves Stopped are decoded; the others are discarded
// by the demuxer. IMediaSeeking works in media time, frames (video) and samples (audio) of
// the reference stream (the first connected pin, else the first pin); SetPositions moves
// every connected stream. Control calls come from the graph's control thread; each pin's
// streaming thread reads its own stream of the shared decoder.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/media/DecoderSource.h"
#include "platform/streaming/SourceFilter.h"
#include "platform/sync/Event.h"

namespace zentar {

inline constexpr CLSID CLSID_ZentarFileSource = MakeGuid("{3C7A5D21-8E4B-4F0A-9C16-2B5E7D9A4F01}");

class FileSourcePin;

class FileSourceFilter : public SourceFilter, public IMediaSeeking {
public:
    // Opens the file; fails (with the reason in *error) when it cannot be read or holds no
    // decodable stream.
    static HRESULT Create(const std::string& path, ComPtr<FileSourceFilter>& filter,
                          std::string* error = nullptr);
    explicit FileSourceFilter(std::unique_ptr<DecoderSource> decoder);

    ZENTAR_FORWARD_IUNKNOWN(SourceFilter)

    HRESULT Pause() override;

    // IMediaSeeking
    HRESULT GetCapabilities(DWORD* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetCurrentPosition(LONGLONG* position) override;
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                         DWORD stopFlags) override;

    // For the pins' streaming threads.
    DecoderSource& decoder() { return *decoder_; }
    HANDLE seekGate() { return &seekGate_; }

protected:
    ~FileSourceFilter() override;
    void* QueryInterfaceExtra(REFIID iid) override;

private:
    FileSourcePin* pinAt(int index);
    FileSourcePin* referencePin();
    bool toMediaTime(LONGLONG value, REFERENCE_TIME& hns);
    LONGLONG fromMediaTime(REFERENCE_TIME hns);
    HRESULT seekTo(REFERENCE_TIME positionHns);

    const std::unique_ptr<DecoderSource> decoder_;
    GUID timeFormat_;                                // control thread
    Event seekGate_{Event::ResetMode::Manual, true}; // reset while a seek is under way
    std::optional<REFERENCE_TIME> pendingSeek_;      // filterLock_; applied when streams start
};

} // namespace zentar
