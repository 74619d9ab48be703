// MediaReader fed by a real source filter on its own streaming thread: type matching
// (partial and full requests), the request/notify hand-over with its reset
// semantics, the capacity cut, the discard switch against a waiting sample, and Stop
// releasing a sample that waits for a request.
#include "filters/MediaReader.h"
#include "platform/streaming/MediaGuids.h"
#include "tests/support/streaming/StreamingTestUtil.h"
#include "tests/support/streaming/TestMediaTypes.h"
#include "tests/support/streaming/TestSource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace zentar {
namespace {

using test::kWaitMs;

MediaType PartialRgb24() {
    MediaType type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    return type; // format type GUID_NULL, no format block
}

struct ReaderRig {
    explicit ReaderRig(test::TestSourcePinConfig config) {
        filter = MediaReader::Create();
        filter.As(reader);
        source = test::TestSource::Create({std::move(config)});
    }
    HRESULT build(const MediaType& requested, const GUID& required) {
        reader->SetRequestedType(&requested, &required);
        graph.add(filter.Get(), u"MediaReader");
        graph.add(source.Get(), u"Source");
        HRESULT hr = graph.connect(source.Get(), filter.Get());
        if (FAILED(hr))
            return hr;
        ULONG size = 0;
        reader->GetBufferSize(&size);
        buffer.assign(size, 0);
        reader->SetBuffer(size, buffer.data());
        reader->SetNotifyEvent(&notify);
        return S_OK;
    }
    // Requests one sample and waits for it; false when none came in time.
    bool next() {
        reader->RequestSample();
        return notify.Wait(kWaitMs);
    }
    // Waits until the source has produced `count` samples (the last may still wait).
    bool sourceProduced(int count) {
        for (int i = 0; i < kWaitMs / 5; ++i) {
            if (source->pin(0)->nextIndex() >= count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    ULONG length(BOOL reset = TRUE) {
        ULONG value = 0;
        reader->GetDataLength(reset, &value);
        return value;
    }

    ComPtr<IBaseFilter> filter;
    ComPtr<IMediaReader> reader;
    ComPtr<test::TestSource> source;
    test::TestGraph graph;
    std::vector<BYTE> buffer;
    Event notify{Event::ResetMode::Auto};
};

test::TestSourcePinConfig VideoSource(int width, int height, int count = 5) {
    test::TestSourcePinConfig config;
    config.type = test::MakeVideoType(width, height);
    config.sampleCount = count;
    return config;
}

TEST(MediaReader, PartialRequestAcceptsAnySizeOfTheRequiredFormatOnly) {
    ComPtr<IBaseFilter> filter = MediaReader::Create();
    auto* reader = static_cast<MediaReader*>(filter.Get());
    MediaType small = test::MakeVideoType(64, 48);
    EXPECT_EQ(reader->CheckMediaType(&small), S_FALSE); // nothing requested yet

    const MediaType partial = PartialRgb24();
    ASSERT_EQ(reader->SetRequestedType(&partial, &FORMAT_VideoInfo), S_OK);
    MediaType large = test::MakeVideoType(720, 576);
    EXPECT_EQ(reader->CheckMediaType(&small), S_OK);
    EXPECT_EQ(reader->CheckMediaType(&large), S_OK);
    MediaType info2 = small;
    info2.formattype = FORMAT_VideoInfo2;
    EXPECT_EQ(reader->CheckMediaType(&info2), S_FALSE);
    MediaType rgb32 = test::MakeVideoType(64, 48, 32);
    EXPECT_EQ(reader->CheckMediaType(&rgb32), S_FALSE);
    MediaType audio = test::MakeAudioType();
    EXPECT_EQ(reader->CheckMediaType(&audio), S_FALSE);

    // A fully specified request takes only a byte-identical format block.
    ASSERT_EQ(reader->SetRequestedType(&small, &GUID_NULL), S_OK);
    EXPECT_EQ(reader->CheckMediaType(&small), S_OK);
    EXPECT_EQ(reader->CheckMediaType(&large), S_FALSE);
    MediaType otherRate = test::MakeVideoType(64, 48, 24, 333667);
    EXPECT_EQ(reader->CheckMediaType(&otherRate), S_FALSE);

    MediaType offered;
    EXPECT_EQ(reader->GetMediaType(0, &offered), S_OK);
    EXPECT_EQ(offered, small);
    EXPECT_EQ(reader->GetMediaType(1, &offered), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(reader->GetMediaType(-1, &offered), E_INVALIDARG);
}

TEST(MediaReader, HandsOutOneSamplePerRequestWithResetSemantics) {
    ReaderRig rig(VideoSource(64, 48, 3));
    ASSERT_EQ(rig.build(PartialRgb24(), FORMAT_VideoInfo), S_OK);
    MediaType connected;
    ASSERT_EQ(rig.reader->GetConnectedType(&connected), S_OK);
    EXPECT_EQ(connected, test::MakeVideoType(64, 48));
    EXPECT_EQ(rig.buffer.size(), 64u * 48 * 3);

    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(rig.next()) << "sample " << i;
        EXPECT_EQ(rig.length(FALSE), 64u * 48 * 3);
        EXPECT_EQ(rig.length(TRUE), 64u * 48 * 3);
        EXPECT_EQ(rig.length(TRUE), 0u); // once, then 0 until the next copy
        REFERENCE_TIME start = -1;
        REFERENCE_TIME stop = -1;
        rig.reader->GetSampleTimes(TRUE, &start, &stop);
        EXPECT_EQ(start, i * 400000);
        EXPECT_EQ(stop, (i + 1) * 400000);
        rig.reader->GetSampleTimes(FALSE, &start, &stop);
        EXPECT_EQ(start, 0);
        EXPECT_EQ(stop, 0);
        EXPECT_EQ(rig.buffer[0], i); // the sample's index
        // The source is held back: the next sample waits for a request.
        EXPECT_TRUE(rig.sourceProduced(i + 1));
        EXPECT_LE(rig.source->pin(0)->nextIndex(), i + 2);
    }
    // End of the stream: EC_COMPLETE; the last length was reset, so 0 is read.
    rig.reader->RequestSample();
    EXPECT_TRUE(test::WaitForEvent(rig.graph.graph.Get(), EC_COMPLETE));
    EXPECT_EQ(rig.length(), 0u);
    rig.reader->SetDiscard(TRUE);
    rig.graph.control->Stop();
}

TEST(MediaReader, LongSamplesAreCutToTheCapacity) {
    test::TestSourcePinConfig config;
    config.type.majortype = MEDIATYPE_Audio;
    config.type.subtype = MEDIASUBTYPE_PCM;
    config.type.lSampleSize = 100000;
    config.sampleCount = 2;
    ReaderRig rig(std::move(config));
    MediaType request;
    request.majortype = MEDIATYPE_Audio;
    ASSERT_EQ(rig.build(request, GUID_NULL), S_OK);
    ASSERT_EQ(rig.buffer.size(), 100000u); // the upstream allocator's size
    std::vector<BYTE> smaller(65536 + 16, 0xEE);
    ASSERT_EQ(rig.reader->SetBuffer(65536, smaller.data()), S_OK);
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    ASSERT_TRUE(rig.next());
    EXPECT_EQ(rig.length(), 65536u);
    EXPECT_EQ(smaller[65535], 0);    // sample 0 fills with its index
    EXPECT_EQ(smaller[65536], 0xEE); // nothing past the capacity
    rig.reader->SetDiscard(TRUE);
    rig.graph.control->Stop();
}

TEST(MediaReader, DiscardReleasesAWaitingSampleAndKeepsAPendingRequest) {
    ReaderRig rig(VideoSource(8, 2, 4));
    ASSERT_EQ(rig.build(PartialRgb24(), FORMAT_VideoInfo), S_OK);
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    ASSERT_TRUE(rig.sourceProduced(1)); // sample 0 waits for a request
    rig.reader->SetDiscard(TRUE);
    // Every sample drops through without a request: the stream reaches its end.
    EXPECT_TRUE(test::WaitForEvent(rig.graph.graph.Get(), EC_COMPLETE));
    EXPECT_FALSE(rig.notify.IsSet());
    EXPECT_EQ(rig.length(), 0u);

    // Discard and a request together: samples still drop, the request stays pending.
    rig.reader->RequestSample();
    ASSERT_EQ(rig.graph.control->Stop(), S_OK);
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    EXPECT_TRUE(test::WaitForEvent(rig.graph.graph.Get(), EC_COMPLETE));
    EXPECT_FALSE(rig.notify.IsSet());
    ASSERT_EQ(rig.graph.control->Stop(), S_OK);
    rig.reader->SetDiscard(FALSE);
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    ASSERT_TRUE(rig.notify.Wait(kWaitMs)); // taken by the pending request
    EXPECT_EQ(rig.buffer[0], 0);
    rig.reader->SetDiscard(TRUE);
    rig.graph.control->Stop();
}

TEST(MediaReader, StopReleasesASampleThatWaitsForARequest) {
    ReaderRig rig(VideoSource(8, 2, 4));
    ASSERT_EQ(rig.build(PartialRgb24(), FORMAT_VideoInfo), S_OK);
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    ASSERT_TRUE(rig.next());
    ASSERT_TRUE(rig.sourceProduced(2)); // sample 1 waits
    test::CallBounded([&] { return rig.graph.control->Stop(); });
    EXPECT_FALSE(rig.notify.IsSet());
    // Restarted, the reader hands out samples again.
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    ASSERT_TRUE(rig.next());
    rig.reader->SetDiscard(TRUE);
    rig.graph.control->Stop();
}

} // namespace
} // namespace zentar
