#include "platform/media/DecoderSource.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/media/FFmpegError.h"
#include "platform/media/FFmpegPtr.h"
#include "platform/media/PcmConverter.h"
#include "platform/media/RgbFrameConverter.h"

namespace zentar {

namespace {

constexpr AVRational kHnsBase{1, 10'000'000};
// A decoder that reports this many errors in a row without a frame is given up on.
constexpr int kMaxConsecutiveErrors = 1000;
// Seeks that land after their target start earlier, 1 s, 2 s, 4 s ... before it.
constexpr int kMaxSeekAttempts = 8;
// A frame stamped this far from the end of the one before carries a damaged time, or the
// stream's clock jumped (a converter would otherwise fill the gap with days of repeated
// frames): the frame follows on, and so do the frames after it.
constexpr REFERENCE_TIME kMaxTimestampJump = 60 * REFERENCE_TIME{10'000'000};

REFERENCE_TIME toHns(int64_t value, AVRational timeBase) {
    return av_rescale_q_rnd(value, timeBase, kHnsBase,
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

bool isEightBit(int sampleFormat) {
    return sampleFormat == AV_SAMPLE_FMT_U8 || sampleFormat == AV_SAMPLE_FMT_U8P;
}

} // namespace

struct DecoderSource::Stream {
    AVStream* st = nullptr;
    SourceStreamInfo info;
    bool selected = false;
    ffmpeg::CodecContextPtr codec;
    ffmpeg::PacketPtr packet = ffmpeg::makePacket();
    std::deque<ffmpeg::PacketPtr> queue; // guarded by Impl::demuxMutex
    bool drainSent = false;
    int64_t originPts = AV_NOPTS_VALUE;
    REFERENCE_TIME seekTarget = -1; // frames before it are dropped after a seek
    REFERENCE_TIME lastEnd = 0;     // where the previous frame ended, for frames without time
    bool lastEndKnown = false;      // a frame was read since the start or the last seek
    REFERENCE_TIME timeShift = 0;   // taken off the stamped times since the last jump
    REFERENCE_TIME lastStep = 0;    // between the last two video frames, for unknown durations
    REFERENCE_TIME lastStart = 0;
    bool discontinuity = true;
    // Video: the frame held back until the next one gives its stop time.
    ffmpeg::FramePtr held = ffmpeg::makeFrame();
    ffmpeg::FramePtr next = ffmpeg::makeFrame();
    bool heldValid = false;
    REFERENCE_TIME heldStart = 0;
    std::unique_ptr<ffmpeg::RgbFrameConverter> rgb;
    int clockwise = 0; // the turn that makes the stored picture upright
    // Audio: the converted samples of the current decoded frame.
    std::unique_ptr<ffmpeg::PcmConverter> pcmConverter;
    std::vector<uint8_t> pcm;
    size_t pcmOffset = 0;
    REFERENCE_TIME pcmStart = 0;
    int64_t pcmSamplesOut = 0;

    void resetDecoding();
};

struct DecoderSource::Impl {
    ffmpeg::InputFormatPtr format;
    std::vector<std::unique_ptr<Stream>> streams;
    std::vector<SourceStreamInfo> infos;
    std::string error;
    std::mutex demuxMutex;
    bool demuxEnded = false;                          // guarded by demuxMutex
    ffmpeg::PacketPtr scratch = ffmpeg::makePacket(); // guarded by demuxMutex

    Stream* find(int index) const;
    HRESULT fail(HRESULT hr, std::string text);
    void addStream(AVStream* st);
    HRESULT openDecoder(Stream& s);
    bool pullPacket(Stream& s);
    int receiveFrame(Stream& s, AVFrame* frame);
    REFERENCE_TIME frameStart(Stream& s, const AVFrame& frame);
    REFERENCE_TIME frameDuration(const Stream& s, const AVFrame& frame) const;
    bool nextVideoFrame(Stream& s, AVFrame* frame, REFERENCE_TIME& start);
    HRESULT readVideo(Stream& s, uint8_t* dst, uint32_t capacity, SampleInfo& info);
    bool fillPcm(Stream& s);
    HRESULT readAudio(Stream& s, uint8_t* dst, uint32_t capacity, SampleInfo& info);
    Stream* seekAnchor() const;
    int seekDemuxer(Stream& anchor, REFERENCE_TIME positionHns);
    void resetSelected(REFERENCE_TIME targetHns);
    std::optional<REFERENCE_TIME> probeFirstStart(Stream& anchor);
    int seekExact(REFERENCE_TIME positionHns);
};

void DecoderSource::Stream::resetDecoding() {
    queue.clear();
    if (codec) {
        avcodec_flush_buffers(codec.get());
    }
    drainSent = false;
    lastEndKnown = false;
    timeShift = 0;
    heldValid = false;
    pcm.clear();
    pcmOffset = 0;
    discontinuity = true;
}

DecoderSource::Stream* DecoderSource::Impl::find(int index) const {
    for (const auto& s : streams) {
        if (s->info.index == index) {
            return s.get();
        }
    }
    return nullptr;
}

HRESULT DecoderSource::Impl::fail(HRESULT hr, std::string text) {
    error = std::move(text);
    streams.clear();
    infos.clear();
    format.reset();
    return hr;
}

void DecoderSource::Impl::addStream(AVStream* st) {
    st->discard = AVDISCARD_ALL;
    const AVCodecParameters* par = st->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    // Cover art and other still pictures attached to a file are not a video stream.
    if (decoder == nullptr || (st->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
        return;
    }
    auto s = std::make_unique<Stream>();
    s->st = st;
    SourceStreamInfo& info = s->info;
    info.index = st->index;
    info.codecName = decoder->name;
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
        info.durationHns = toHns(st->duration, st->time_base);
    } else if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
        info.durationHns = toHns(format->duration, AVRational{1, AV_TIME_BASE});
    }
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        if (par->width <= 0 || par->height <= 0) {
            return;
        }
        info.kind = StreamKind::Video;
        // A picture stored on its side is offered upright.
        s->clockwise = ffmpeg::RgbFrameConverter::StreamRotation(*st);
        const bool sideways = s->clockwise == 90 || s->clockwise == 270;
        info.video.width = sideways ? par->height : par->width;
        info.video.height = sideways ? par->width : par->height;
        const AVRational rate = st->avg_frame_rate;
        if (rate.num > 0 && rate.den > 0) {
            info.video.avgTimePerFrame = av_rescale_q(1, av_inv_q(rate), kHnsBase);
        }
        info.durationFrames = st->nb_frames;
        if (info.durationFrames <= 0 && info.video.avgTimePerFrame > 0) {
            info.durationFrames =
                (info.durationHns + info.video.avgTimePerFrame / 2) / info.video.avgTimePerFrame;
        }
    } else {
        if (par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0) {
            return;
        }
        info.kind = StreamKind::Audio;
        info.audio.sampleRate = static_cast<uint32_t>(par->sample_rate);
        info.audio.channels = par->ch_layout.nb_channels == 1 ? 1 : 2;
        info.audio.bitsPerSample = isEightBit(par->format) ? 8 : 16;
        info.durationSamples = av_rescale(info.durationHns, par->sample_rate, 10'000'000);
    }
    infos.push_back(info);
    streams.push_back(std::move(s));
}

HRESULT DecoderSource::Impl::openDecoder(Stream& s) {
    const AVCodec* decoder = avcodec_find_decoder(s.st->codecpar->codec_id);
    ffmpeg::CodecContextPtr codec(avcodec_alloc_context3(decoder));
    if (!codec) {
        return E_OUTOFMEMORY;
    }
    int err = avcodec_parameters_to_context(codec.get(), s.st->codecpar);
    if (err >= 0) {
        codec->pkt_timebase = s.st->time_base;
        codec->thread_count = 0; // one thread per core
        codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        err = avcodec_open2(codec.get(), decoder, nullptr);
    }
    if (err < 0) {
        error = "Cannot open the " + s.info.codecName + " decoder: " + ffmpeg::errorText(err);
        return ffmpeg::hresultFromAverror(err);
    }
    s.codec = std::move(codec);
    if (s.info.kind == StreamKind::Video) {
        s.rgb = std::make_unique<ffmpeg::RgbFrameConverter>(s.info.video.width, s.info.video.height,
                                                            s.clockwise);
    } else {
        s.pcmConverter = std::make_unique<ffmpeg::PcmConverter>(s.info.audio);
    }
    return S_OK;
}

// Moves the next packet of `s` into s.packet, reading the file as far as needed. Packets
// of the other selected streams are queued for their own readers.
bool DecoderSource::Impl::pullPacket(Stream& s) {
    std::lock_guard lock(demuxMutex);
    if (!s.queue.empty()) {
        av_packet_move_ref(s.packet.get(), s.queue.front().get());
        s.queue.pop_front();
        return true;
    }
    while (!demuxEnded) {
        // A read error (a damaged or truncated file) ends every stream where it happens.
        if (av_read_frame(format.get(), scratch.get()) < 0) {
            demuxEnded = true;
            break;
        }
        Stream* owner = find(scratch->stream_index);
        if (owner == &s) {
            av_packet_move_ref(s.packet.get(), scratch.get());
            return true;
        }
        if (owner != nullptr && owner->selected) {
            ffmpeg::PacketPtr queued = ffmpeg::makePacket();
            av_packet_move_ref(queued.get(), scratch.get());
            owner->queue.push_back(std::move(queued));
        } else {
            av_packet_unref(scratch.get());
        }
    }
    return false;
}

// Returns 0 with a decoded frame, or AVERROR_EOF when the stream has no more frames.
// Damaged packets and frames are skipped.
int DecoderSource::Impl::receiveFrame(Stream& s, AVFrame* frame) {
    int errors = 0;
    for (;;) {
        const int ret = avcodec_receive_frame(s.codec.get(), frame);
        if (ret == 0) {
            return 0;
        }
        if (ret == AVERROR_EOF || s.drainSent || ++errors > kMaxConsecutiveErrors) {
            return AVERROR_EOF;
        }
        if (ret != AVERROR(EAGAIN)) {
            continue;
        }
        if (!pullPacket(s)) {
            avcodec_send_packet(s.codec.get(), nullptr);
            s.drainSent = true;
            errors = 0;
            continue;
        }
        // An empty chunk (an AVI index entry without data) would read as a drain request.
        if (s.packet->size > 0) {
            avcodec_send_packet(s.codec.get(), s.packet.get());
        }
        av_packet_unref(s.packet.get());
    }
}

REFERENCE_TIME DecoderSource::Impl::frameStart(Stream& s, const AVFrame& frame) {
    int64_t pts = frame.best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) {
        pts = frame.pts;
    }
    if (pts == AV_NOPTS_VALUE) {
        return s.lastEnd;
    }
    if (s.originPts == AV_NOPTS_VALUE) {
        s.originPts = pts;
    }
    const REFERENCE_TIME start = toHns(pts - s.originPts, s.st->time_base) - s.timeShift;
    if (s.lastEndKnown &&
        (start > s.lastEnd + kMaxTimestampJump || start < s.lastEnd - kMaxTimestampJump)) {
        s.timeShift += start - s.lastEnd;
        return s.lastEnd;
    }
    return start;
}

REFERENCE_TIME DecoderSource::Impl::frameDuration(const Stream& s, const AVFrame& frame) const {
    if (s.info.kind == StreamKind::Audio) {
        return av_rescale(frame.nb_samples, 10'000'000, s.info.audio.sampleRate);
    }
    if (frame.pkt_duration > 0) {
        return toHns(frame.pkt_duration, s.st->time_base);
    }
    if (s.info.video.avgTimePerFrame > 0) {
        return s.info.video.avgTimePerFrame;
    }
    return std::max<REFERENCE_TIME>(s.lastStep, 1);
}

// The next video frame at or after a pending seek target, with its start time.
bool DecoderSource::Impl::nextVideoFrame(Stream& s, AVFrame* frame, REFERENCE_TIME& start) {
    while (receiveFrame(s, frame) == 0) {
        start = frameStart(s, *frame);
        if (s.lastEndKnown && start > s.lastStart) {
            s.lastStep = start - s.lastStart;
        }
        s.lastStart = start;
        s.lastEnd = start + frameDuration(s, *frame);
        s.lastEndKnown = true;
        if (start >= s.seekTarget) {
            s.seekTarget = -1;
            return true;
        }
        av_frame_unref(frame);
    }
    return false;
}

HRESULT DecoderSource::Impl::readVideo(Stream& s, uint8_t* dst, uint32_t capacity,
                                       SampleInfo& info) {
    if (capacity < s.info.video.imageBytes()) {
        return E_INVALIDARG;
    }
    if (!s.heldValid) {
        if (!nextVideoFrame(s, s.held.get(), s.heldStart)) {
            return S_FALSE;
        }
        s.heldValid = true;
    }
    REFERENCE_TIME nextStart = 0;
    const bool haveNext = nextVideoFrame(s, s.next.get(), nextStart);
    REFERENCE_TIME stop = s.heldStart + frameDuration(s, *s.held);
    if (haveNext && nextStart > s.heldStart) {
        stop = nextStart;
    }
    const int err = s.rgb->convert(*s.held, dst);
    av_frame_unref(s.held.get());
    info = SampleInfo{s.info.video.imageBytes(), s.heldStart, stop, s.discontinuity};
    s.discontinuity = false;
    std::swap(s.held, s.next);
    s.heldStart = nextStart;
    s.heldValid = haveNext;
    if (err < 0) {
        error = "Cannot convert a " + s.info.codecName + " frame: " + ffmpeg::errorText(err);
        return E_FAIL;
    }
    return S_OK;
}

// Decodes until converted samples at or after a pending seek target are available.
bool DecoderSource::Impl::fillPcm(Stream& s) {
    AVFrame* frame = s.next.get();
    const uint32_t rate = s.info.audio.sampleRate;
    const size_t blockAlign = s.info.audio.blockAlign();
    while (s.pcmOffset >= s.pcm.size()) {
        if (receiveFrame(s, frame) != 0) {
            return false;
        }
        const REFERENCE_TIME start = frameStart(s, *frame);
        const int err = s.pcmConverter->convert(*frame, s.pcm);
        av_frame_unref(frame);
        if (err < 0) {
            s.pcm.clear();
            continue;
        }
        s.pcmStart = start;
        s.pcmOffset = 0;
        s.pcmSamplesOut = 0;
        const int64_t samples = static_cast<int64_t>(s.pcm.size() / blockAlign);
        s.lastEnd = start + av_rescale(samples, 10'000'000, rate);
        s.lastEndKnown = true;
        if (s.seekTarget > start) {
            // Trim the samples before the seek target; whole frames before it are dropped.
            const int64_t skip =
                std::min(samples, av_rescale(s.seekTarget - start, rate, 10'000'000));
            s.pcmOffset = static_cast<size_t>(skip) * blockAlign;
            s.pcmSamplesOut = skip;
        }
        if (s.pcmOffset < s.pcm.size()) {
            s.seekTarget = -1;
        }
    }
    return true;
}

HRESULT DecoderSource::Impl::readAudio(Stream& s, uint8_t* dst, uint32_t capacity,
                                       SampleInfo& info) {
    const uint32_t blockAlign = s.info.audio.blockAlign();
    const uint32_t usable = capacity - capacity % blockAlign;
    if (usable == 0) {
        return E_INVALIDARG;
    }
    if (!fillPcm(s)) {
        return S_FALSE;
    }
    const size_t bytes = std::min<size_t>(usable, s.pcm.size() - s.pcmOffset);
    std::memcpy(dst, s.pcm.data() + s.pcmOffset, bytes);
    const uint32_t rate = s.info.audio.sampleRate;
    const REFERENCE_TIME start = s.pcmStart + av_rescale(s.pcmSamplesOut, 10'000'000, rate);
    s.pcmOffset += bytes;
    s.pcmSamplesOut += static_cast<int64_t>(bytes / blockAlign);
    const REFERENCE_TIME stop = s.pcmStart + av_rescale(s.pcmSamplesOut, 10'000'000, rate);
    info = SampleInfo{static_cast<uint32_t>(bytes), start, stop, s.discontinuity};
    s.discontinuity = false;
    return S_OK;
}

// Seeks on a selected video stream when there is one: its key frames decide where decoding
// can start.
DecoderSource::Stream* DecoderSource::Impl::seekAnchor() const {
    Stream* anchor = nullptr;
    for (const auto& s : streams) {
        if (s->selected && (anchor == nullptr || (s->info.kind == StreamKind::Video &&
                                                  anchor->info.kind != StreamKind::Video))) {
            anchor = s.get();
        }
    }
    return anchor;
}

int DecoderSource::Impl::seekDemuxer(Stream& anchor, REFERENCE_TIME positionHns) {
    const AVRational tb = anchor.st->time_base;
    const int64_t ts = anchor.originPts + av_rescale_q(positionHns, kHnsBase, tb);
    const int index = anchor.info.index;
    int ret = avformat_seek_file(format.get(), index, INT64_MIN, ts, ts, 0);
    if (ret < 0) {
        ret = av_seek_frame(format.get(), index, ts, AVSEEK_FLAG_BACKWARD);
    }
    if (ret < 0) {
        ret = av_seek_frame(format.get(), index, ts, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
    }
    return ret;
}

void DecoderSource::Impl::resetSelected(REFERENCE_TIME targetHns) {
    std::lock_guard lock(demuxMutex);
    for (const auto& s : streams) {
        if (!s->selected) {
            continue;
        }
        s->resetDecoding();
        s->seekTarget = targetHns;
        if (s->originPts == AV_NOPTS_VALUE) {
            s->originPts = s->st->start_time != AV_NOPTS_VALUE ? s->st->start_time : 0;
        }
    }
    demuxEnded = false;
}

// Where the anchor's first decodable frame after the demuxer's position starts.
std::optional<REFERENCE_TIME> DecoderSource::Impl::probeFirstStart(Stream& anchor) {
    AVFrame* frame = anchor.next.get();
    if (receiveFrame(anchor, frame) != 0) {
        return std::nullopt;
    }
    const REFERENCE_TIME start = frameStart(anchor, *frame);
    av_frame_unref(frame);
    return start;
}

// Demuxers without an index (program streams, for example) search by timestamps and can
// land after the key frame the target needs: the first frame decoded from there would
// start after the target. Such a landing is detected by decoding up to that first frame,
// and the seek starts earlier, up to the beginning of the file.
int DecoderSource::Impl::seekExact(REFERENCE_TIME positionHns) {
    Stream* anchor = seekAnchor();
    if (anchor == nullptr) {
        return 0;
    }
    REFERENCE_TIME preroll = 0;
    for (int attempt = 0;; ++attempt) {
        const REFERENCE_TIME at = std::max<REFERENCE_TIME>(positionHns - preroll, 0);
        resetSelected(positionHns);
        const int err = seekDemuxer(*anchor, at);
        if (err < 0 || at == 0 || attempt == kMaxSeekAttempts) {
            return err;
        }
        const std::optional<REFERENCE_TIME> first = probeFirstStart(*anchor);
        resetSelected(positionHns);
        if (first && *first <= positionHns) {
            return seekDemuxer(*anchor, at);
        }
        preroll = preroll == 0 ? 10'000'000 : preroll * 2;
    }
}

DecoderSource::DecoderSource() : impl_(std::make_unique<Impl>()) {}

DecoderSource::~DecoderSource() = default;

HRESULT DecoderSource::open(const std::string& path) {
    Impl& d = *impl_;
    d.fail(S_OK, {});
    d.demuxEnded = false;
    AVFormatContext* raw = nullptr;
    int err = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (err < 0) {
        return d.fail(ffmpeg::hresultFromAverror(err),
                      "Cannot open \"" + path + "\": " + ffmpeg::errorText(err));
    }
    d.format.reset(raw);
    err = avformat_find_stream_info(raw, nullptr);
    if (err < 0) {
        return d.fail(E_FAIL,
                      "Cannot read the streams of \"" + path + "\": " + ffmpeg::errorText(err));
    }
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        const AVMediaType type = raw->streams[i]->codecpar->codec_type;
        raw->streams[i]->discard = AVDISCARD_ALL;
        if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO) {
            d.addStream(raw->streams[i]);
        }
    }
    if (d.streams.empty()) {
        return d.fail(E_FAIL, "\"" + path + "\" has no audio or video stream that can be decoded");
    }
    return S_OK;
}

const std::string& DecoderSource::errorText() const {
    return impl_->error;
}

const std::vector<SourceStreamInfo>& DecoderSource::streams() const {
    return impl_->infos;
}

const SourceStreamInfo* DecoderSource::stream(int index) const {
    const Stream* s = impl_->find(index);
    return s != nullptr ? &s->info : nullptr;
}

HRESULT DecoderSource::selectStream(int index, bool selected) {
    Stream* s = impl_->find(index);
    if (s == nullptr) {
        return E_INVALIDARG;
    }
    if (selected && !s->codec) {
        if (const HRESULT hr = impl_->openDecoder(*s); FAILED(hr)) {
            return hr;
        }
    }
    s->selected = selected;
    s->st->discard = selected ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    if (!selected) {
        std::lock_guard lock(impl_->demuxMutex);
        s->queue.clear();
    }
    return S_OK;
}

HRESULT DecoderSource::read(int index, uint8_t* dst, uint32_t capacity, SampleInfo& info) {
    Stream* s = impl_->find(index);
    if (s == nullptr || !s->selected || dst == nullptr) {
        return E_INVALIDARG;
    }
    return s->info.kind == StreamKind::Video ? impl_->readVideo(*s, dst, capacity, info)
                                             : impl_->readAudio(*s, dst, capacity, info);
}

HRESULT DecoderSource::seek(REFERENCE_TIME positionHns) {
    Impl& d = *impl_;
    if (!d.format) {
        return E_UNEXPECTED;
    }
    const int err = d.seekExact(std::max<REFERENCE_TIME>(positionHns, 0));
    if (err < 0) {
        d.error = "Cannot seek: " + ffmpeg::errorText(err);
        return ffmpeg::hresultFromAverror(err);
    }
    return S_OK;
}

} // namespace zentar
