// A writer graph for the media filter tests, built the way the program builds one: test
// sources, compressors created through the system device enumerator, "AVI Mux", "DV
// Muxer", "ACM Wrapper" and "File writer" created by class identifier, pins found with the
// capture graph builder and joined with the graph's Connect.
#pragma once

#include "platform/media/DeviceEnumInterfaces.h"
#include "platform/media/MediaFilterInterfaces.h"
#include "platform/media/MediaRegistration.h"
#include "platform/streaming/CaptureGraphBuilder.h"
#include "tests/support/streaming/StreamingTestUtil.h"
#include "tests/support/streaming/TestMediaTypes.h"
#include "tests/support/streaming/TestSource.h"

#include <string>

namespace zentar::test {

// Bottom-up RGB24 frames at 25 frames per second.
inline TestSourcePinConfig videoPin(int width, int height, int frames) {
    TestSourcePinConfig config;
    config.type = MakeVideoType(width, height, 24, 400000);
    config.sampleCount = frames;
    config.sampleDuration = 400000;
    config.name = u"Video";
    return config;
}

// 44,100 Hz 16-bit stereo in blocks of one 25 fps frame period.
inline TestSourcePinConfig audioPin(int blocks) {
    TestSourcePinConfig config;
    config.type = MakeAudioType(2, 44100);
    config.sampleCount = blocks;
    config.sampleDuration = 400000;
    config.bufferSize = 1764 * 4;
    config.name = u"Audio";
    return config;
}

// The first compressor of `category` whose friendly name is `name`, created by moniker.
inline ComPtr<IBaseFilter> CreateCompressor(REFCLSID category, const std::string& name) {
    RegisterMediaFilters();
    ComPtr<ICreateDevEnum> devices;
    CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 7, ICreateDevEnum::kIid,
                     devices.GetVoidAddressOf());
    ComPtr<IEnumMoniker> monikers;
    if (!devices || devices->CreateClassEnumerator(category, monikers.GetAddressOf(), 1) != S_OK)
        return nullptr;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.GetAddressOf(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        moniker->BindToStorage(nullptr, nullptr, IPropertyBag::kIid, bag.GetVoidAddressOf());
        VARIANT value;
        if (bag && SUCCEEDED(bag->Read(u"FriendlyName", &value, nullptr)) &&
            Utf8FromWide(std::u16string_view(value.bstrVal)) == name) {
            VariantClear(&value);
            ComPtr<IBaseFilter> filter;
            moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.GetVoidAddressOf());
            return filter;
        }
        VariantClear(&value);
    }
    return nullptr;
}

inline ComPtr<IBaseFilter> CreatePlatformFilter(REFCLSID clsid) {
    RegisterMediaFilters();
    ComPtr<IBaseFilter> filter;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                     filter.GetVoidAddressOf());
    return filter;
}

struct WriterGraph {
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IBaseFilter> mux;
    ComPtr<IBaseFilter> writer;

    WriterGraph() {
        CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                         IID_ICaptureGraphBuilder2, builder.GetVoidAddressOf());
        builder->SetFiltergraph(graph.Get());
    }
    ~WriterGraph() {
        if (graph)
            CallBounded([&] { return graph.As<IMediaControl>()->Stop(); });
    }

    HRESULT add(IBaseFilter* filter, const char16_t* name) {
        return graph->AddFilter(filter, name);
    }

    // "AVI Mux" and "File writer" writing `path`, joined.
    HRESULT addMuxAndWriter(const std::string& path) {
        mux = CreatePlatformFilter(CLSID_AviDest);
        writer = CreatePlatformFilter(CLSID_FileWriter);
        if (!mux || !writer)
            return E_FAIL;
        add(mux.Get(), u"AVI Mux");
        add(writer.Get(), u"File writer");
        const std::u16string name = WideFromUtf8(path);
        writer.As<IFileSinkFilter>()->SetFileName(name.c_str(), nullptr);
        return connect(mux.Get(), writer.Get());
    }

    // The first free output of `up` (of `type` when given) to the first free input of
    // `down`, through the graph's intelligent Connect.
    HRESULT connect(IBaseFilter* up, IBaseFilter* down, const GUID* type = nullptr) {
        ComPtr<IPin> out;
        ComPtr<IPin> in;
        if (FAILED(
                builder->FindPin(up, PINDIR_OUTPUT, nullptr, type, TRUE, 0, out.GetAddressOf())) ||
            FAILED(
                builder->FindPin(down, PINDIR_INPUT, nullptr, nullptr, TRUE, 0, in.GetAddressOf())))
            return VFW_E_NOT_FOUND;
        return graph->Connect(out.Get(), in.Get());
    }

    HRESULT run() {
        return CallBounded([&] { return graph.As<IMediaControl>()->Run(); });
    }
    HRESULT stop() {
        return CallBounded([&] { return graph.As<IMediaControl>()->Stop(); });
    }
    // Waits for EC_COMPLETE or EC_ERRORABORT; returns the code (0 when none came) and the
    // event's first parameter.
    LONG waitForEnd(LONG_PTR* param = nullptr, int timeoutMs = 60000) {
        ComPtr<IMediaEvent> events = graph.As<IMediaEvent>();
        for (;;) {
            LONG code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            if (FAILED(events->GetEvent(&code, &p1, &p2, timeoutMs)))
                return 0;
            if (code == EC_COMPLETE || code == EC_ERRORABORT) {
                if (param)
                    *param = p1;
                return code;
            }
        }
    }
};

} // namespace zentar::test
