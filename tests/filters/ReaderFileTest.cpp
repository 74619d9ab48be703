// MediaReader at the end of a real decoding graph: the platform's file source decodes
// ../shared/media/tree.avi (Cinepak) and the reader hands out every frame, one per
// request, as 320 x 240 RGB24 with rising times, until the end of the stream.
#include "filters/MediaReader.h"
#include "platform/media/MediaRegistration.h"
#include "platform/streaming/MediaGuids.h"
#include "tests/filters/FilterTestGraph.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

constexpr int kWaitMs = 20000;

TEST(MediaReaderFile, HandsOutEveryDecodedFrameOfARealFile) {
    const std::string path = std::string(ZENTAR_SHARED_MEDIA_DIR) + "/tree.avi";
    const auto probed = test::probeStream(path, "v:0", true);
    ASSERT_TRUE(probed.has_value());

    RegisterMediaFilters();
    test::TestGraph graph;
    ComPtr<IBaseFilter> filter = MediaReader::Create();
    ComPtr<IMediaReader> reader;
    ASSERT_EQ(filter.As(reader), S_OK);
    MediaType requested;
    requested.majortype = MEDIATYPE_Video;
    requested.subtype = MEDIASUBTYPE_RGB24;
    ASSERT_EQ(reader->SetRequestedType(&requested, &FORMAT_VideoInfo), S_OK);
    ASSERT_EQ(graph.add(filter.Get(), u"MediaReader"), S_OK);
    ComPtr<IBaseFilter> source;
    ASSERT_EQ(
        graph.graph->AddSourceFilter(WideFromUtf8(path).c_str(), u"Source", source.GetAddressOf()),
        S_OK);
    IPin* input = nullptr;
    reader->GetInputPin(&input);
    ASSERT_EQ(graph.graph->Connect(test::FirstPin(source.Get(), PINDIR_OUTPUT), input), S_OK);

    MediaType connected;
    ASSERT_EQ(reader->GetConnectedType(&connected), S_OK);
    const auto* info = connected.FormatAs<VIDEOINFOHEADER>();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->bmiHeader.biWidth, 320);
    EXPECT_EQ(info->bmiHeader.biHeight, 240);
    ULONG size = 0;
    reader->GetBufferSize(&size);
    ASSERT_GE(size, 320u * 240 * 3);
    std::vector<BYTE> buffer(size);
    Event notify(Event::ResetMode::Auto);
    reader->SetBuffer(size, buffer.data());
    reader->SetNotifyEvent(&notify);
    ASSERT_EQ(graph.control->Run(), S_OK);

    // Each request gives one frame; the end of the stream shows as EC_COMPLETE.
    HANDLE handles[2] = {&notify, nullptr};
    graph.events->GetEventHandle(&handles[1]);
    int64_t frames = 0;
    REFERENCE_TIME lastStart = -1;
    for (int waits = 0; waits < 100000; ++waits) {
        reader->RequestSample();
        const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, kWaitMs);
        ASSERT_NE(woken, WAIT_TIMEOUT) << "after " << frames << " frames";
        if (woken == WAIT_OBJECT_0 + 1) {
            if (test::WaitForGraphEvent(graph.events.Get(), EC_COMPLETE, 0))
                break;
            continue;
        }
        ULONG length = 0;
        REFERENCE_TIME start = 0;
        REFERENCE_TIME stop = 0;
        reader->GetDataLength(TRUE, &length);
        reader->GetSampleTimes(TRUE, &start, &stop);
        ASSERT_EQ(length, 320u * 240 * 3);
        ASSERT_GT(start, lastStart);
        ASSERT_GT(stop, start);
        lastStart = start;
        ++frames;
    }
    EXPECT_EQ(frames, probed->frames);
    reader->SetDiscard(TRUE);
    graph.control->Stop();
}

} // namespace
} // namespace zentar
