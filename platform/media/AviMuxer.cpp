#include "platform/media/AviMuxer.h"

#include <cstring>
#include <mutex>

#include "platform/media/FFmpegError.h"
#include "platform/media/FFmpegPtr.h"
#include "platform/media/FrameTimeBase.h"
#include "platform/streaming/FormatStructs.h"

namespace zentar {

namespace {

constexpr AVRational kHnsBase{1, 10'000'000};
constexpr int kIoBufferBytes = 256 * 1024;

uint16_t readLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

AVCodecID pcmCodec(int bits) {
    switch (bits) {
    case 8:
        return AV_CODEC_ID_PCM_U8;
    case 24:
        return AV_CODEC_ID_PCM_S24LE;
    case 32:
        return AV_CODEC_ID_PCM_S32LE;
    default:
        return AV_CODEC_ID_PCM_S16LE;
    }
}

void setExtradata(AVCodecParameters* par, const uint8_t* data, size_t size) {
    par->extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
    std::memcpy(par->extradata, data, size);
    par->extradata_size = static_cast<int>(size);
}

// A new stream of the given kind, codec and AVI tag; its parameters to fill in.
AVStream* newStream(AVFormatContext* format, AVMediaType type, AVCodecID id, uint32_t tag) {
    AVStream* st = avformat_new_stream(format, nullptr);
    if (st != nullptr) {
        st->codecpar->codec_type = type;
        st->codecpar->codec_id = id;
        st->codecpar->codec_tag = tag;
    }
    return st;
}

// Tags of codecs that RIFF has none for, as the compressors write them.
AVCodecID ownVideoCodec(uint32_t fourcc) {
    switch (fourcc) {
    case MKTAG('H', 'E', 'V', 'C'):
        return AV_CODEC_ID_HEVC;
    case MKTAG('A', 'V', '0', '1'):
        return AV_CODEC_ID_AV1;
    case MKTAG('V', 'P', '9', '0'):
        return AV_CODEC_ID_VP9;
    default:
        return AV_CODEC_ID_NONE;
    }
}

constexpr uint16_t kOpusTag = 0x704F;

} // namespace

struct AviMuxer::Impl {
    OutputContainer container = OutputContainer::Avi;
    std::string label = "AVI";
    bool avi() const { return container == OutputContainer::Avi; }
    std::mutex lock;
    ffmpeg::OutputFormatPtr format;
    ffmpeg::IoContextPtr io;
    ffmpeg::PacketPtr packet = ffmpeg::makePacket();
    ByteSink* sink = nullptr;
    HRESULT sinkError = S_OK; // the first failure of the sink, kept
    bool begun = false;
    bool finished = false;
    HRESULT finishResult = S_OK;
    std::string error;
    std::vector<int64_t> lastDts;      // per stream, for strictly increasing times
    std::vector<int64_t> audioSamples; // per stream, samples written so far

    int64_t cleanEnd = 0; // MP4, Matroska: where the last whole fragment or cluster ends

    static int writePacket(void* opaque, uint8_t* buf, int size);
    static int writeTyped(void* opaque, uint8_t* buf, int size, AVIODataMarkerType type,
                          int64_t time);
    static int64_t seekPacket(void* opaque, int64_t offset, int whence);
    HRESULT failure(int averror, const std::string& what);
    int64_t packetTime(AVStream* st, size_t size, REFERENCE_TIME startHns);
};

int AviMuxer::Impl::writePacket(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<Impl*>(opaque);
    if (FAILED(self->sinkError)) {
        return AVERROR(EIO);
    }
    self->sinkError = self->sink->write(buf, static_cast<size_t>(size));
    if (FAILED(self->sinkError)) {
        return self->sinkError == STG_E_MEDIUMFULL ? AVERROR(ENOSPC) : AVERROR(EIO);
    }
    return size;
}

// Where each MP4 fragment or Matroska cluster starts, everything before it is whole. When a write
// fails (a full disk), the file is cut back there so that it ends on a whole fragment and plays
// without a broken tail.
int AviMuxer::Impl::writeTyped(void* opaque, uint8_t* buf, int size, AVIODataMarkerType type,
                               int64_t /*time*/) {
    auto* self = static_cast<Impl*>(opaque);
    // The Matroska muxer marks nothing, but writes each cluster whole, starting with its ID.
    static constexpr uint8_t kClusterId[] = {0x1F, 0x43, 0xB6, 0x75};
    const bool cluster = self->container == OutputContainer::Matroska && size >= 4 &&
                         std::memcmp(buf, kClusterId, 4) == 0;
    if (SUCCEEDED(self->sinkError) && (cluster || type == AVIO_DATA_MARKER_SYNC_POINT ||
                                       type == AVIO_DATA_MARKER_BOUNDARY_POINT)) {
        self->cleanEnd = self->sink->position();
    }
    const bool wasWriting = SUCCEEDED(self->sinkError);
    const int result = writePacket(opaque, buf, size);
    if (wasWriting && FAILED(self->sinkError) && self->cleanEnd > 0) {
        self->sink->truncate(self->cleanEnd);
    }
    return result;
}

int64_t AviMuxer::Impl::seekPacket(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<Impl*>(opaque);
    ByteSink& sink = *self->sink;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return sink.size();
    case SEEK_CUR:
        offset += sink.position();
        break;
    case SEEK_END:
        offset += sink.size();
        break;
    default:
        break;
    }
    if (FAILED(self->sinkError)) {
        return AVERROR(EIO);
    }
    const HRESULT hr = sink.seek(offset);
    if (FAILED(hr)) {
        self->sinkError = hr;
        return AVERROR(EIO);
    }
    return offset;
}

HRESULT AviMuxer::Impl::failure(int averror, const std::string& what) {
    if (FAILED(sinkError)) {
        error = what + ": the output cannot be written" +
                (sinkError == STG_E_MEDIUMFULL ? " (the disk is full)" : "");
        return sinkError;
    }
    error = what + ": " + ffmpeg::errorText(averror);
    return ffmpeg::hresultFromAverror(averror);
}

AviMuxer::AviMuxer(OutputContainer container) : impl_(std::make_unique<Impl>()) {
    impl_->container = container;
    impl_->label = ContainerLabel(container);
    AVFormatContext* raw = nullptr;
    if (const char* muxer = ContainerMuxer(container))
        avformat_alloc_output_context2(&raw, nullptr, muxer, nullptr);
    impl_->format.reset(raw);
}

AviMuxer::~AviMuxer() = default;

const std::string& AviMuxer::errorText() const {
    return impl_->error;
}

int AviMuxer::addVideoStream(const AviVideoStream& f) {
    Impl& d = *impl_;
    AVCodecID id = AV_CODEC_ID_RAWVIDEO;
    if (f.fourcc != 0) {
        const AVCodecTag* const tags[] = {avformat_get_riff_video_tags(), nullptr};
        id = d.avi() ? AV_CODEC_ID_NONE : ownVideoCodec(f.fourcc);
        if (id == AV_CODEC_ID_NONE)
            id = av_codec_get_id(tags, f.fourcc);
    }
    // Raw frames are written to AVI only: the other containers have no bottom-up DIB.
    if (!d.format || d.begun || id == AV_CODEC_ID_NONE || f.width <= 0 || f.height <= 0 ||
        (f.fourcc == 0 && !d.avi())) {
        d.error = "This video format cannot be written to " + d.label;
        return -1;
    }
    AVStream* st = newStream(d.format.get(), AVMEDIA_TYPE_VIDEO, id, d.avi() ? f.fourcc : 0);
    if (st == nullptr) {
        return -1;
    }
    AVCodecParameters* par = st->codecpar;
    par->width = f.width;
    par->height = f.height;
    par->bits_per_coded_sample = f.bitCount;
    if (!d.avi())
        par->format = AV_PIX_FMT_YUV420P; // what every compressor for MP4 and Matroska writes
    std::vector<uint8_t> extra = f.extraData;
    if (f.fourcc == 0) {
        // libavformat stores raw RGB top-down (negative height) unless told that the rows
        // are bottom-up, as a DIB's are; this marker makes it write a positive height.
        par->format = AV_PIX_FMT_BGR24;
        static const char kBottomUp[] = "BottomUp";
        extra.assign(kBottomUp, kBottomUp + sizeof(kBottomUp));
    }
    if (!extra.empty()) {
        setExtradata(par, extra.data(), extra.size());
    }
    AVRational period{static_cast<int>(f.avgTimePerFrame > 0 ? f.avgTimePerFrame : 400000),
                      10'000'000};
    av_reduce(&period.num, &period.den, period.num, period.den, INT32_MAX);
    if (!d.avi())
        period = FrameTimeBase(f.avgTimePerFrame > 0 ? f.avgTimePerFrame : 400000);
    st->time_base = period;
    st->avg_frame_rate = av_inv_q(period);
    d.lastDts.push_back(AV_NOPTS_VALUE);
    d.audioSamples.push_back(0);
    return st->index;
}

int AviMuxer::addAudioStream(const uint8_t* waveFormatEx, size_t bytes) {
    Impl& d = *impl_;
    WAVEFORMATEX wf;
    if (waveFormatEx == nullptr || bytes < sizeof(wf) || !d.format || d.begun) {
        d.error = "This audio format cannot be written to " + d.label;
        return -1;
    }
    std::memcpy(&wf, waveFormatEx, sizeof(wf));
    const size_t extraBytes = std::min<size_t>(wf.cbSize, bytes - sizeof(wf));
    const uint8_t* extra = waveFormatEx + sizeof(wf);
    const AVCodecTag* const tags[] = {avformat_get_riff_audio_tags(), nullptr};
    AVCodecID id = wf.wFormatTag == WAVE_FORMAT_PCM ? pcmCodec(wf.wBitsPerSample)
                                                    : av_codec_get_id(tags, wf.wFormatTag);
    if (!d.avi() && wf.wFormatTag == kOpusTag)
        id = AV_CODEC_ID_OPUS;
    if (id == AV_CODEC_ID_NONE || wf.nChannels == 0 || wf.nSamplesPerSec == 0) {
        d.error = "This audio format cannot be written to " + d.label;
        return -1;
    }
    AVStream* st = newStream(d.format.get(), AVMEDIA_TYPE_AUDIO, id, d.avi() ? wf.wFormatTag : 0);
    if (st == nullptr) {
        return -1;
    }
    AVCodecParameters* par = st->codecpar;
    par->sample_rate = static_cast<int>(wf.nSamplesPerSec);
    av_channel_layout_default(&par->ch_layout, wf.nChannels);
    par->bit_rate = static_cast<int64_t>(wf.nAvgBytesPerSec) * 8;
    par->block_align = wf.nBlockAlign;
    par->bits_per_coded_sample = wf.wBitsPerSample;
    if ((id == AV_CODEC_ID_ADPCM_IMA_WAV || id == AV_CODEC_ID_GSM_MS) && extraBytes >= 2) {
        par->frame_size = readLe16(extra); // samples per block, written back by the muxer
    } else if (id == AV_CODEC_ID_MP3) {
        // Frame-based in AVI: libavformat derives the block alignment from the frame size.
        par->frame_size = wf.nSamplesPerSec >= 32000 ? 1152 : 576;
        par->block_align = 0;
    } else if (extraBytes > 0) {
        setExtradata(par, extra, extraBytes);
    }
    st->time_base = AVRational{1, par->sample_rate};
    d.lastDts.push_back(AV_NOPTS_VALUE);
    d.audioSamples.push_back(0);
    return st->index;
}

HRESULT AviMuxer::begin(ByteSink& sink) {
    Impl& d = *impl_;
    std::lock_guard guard(d.lock);
    if (!d.format || d.begun || d.format->nb_streams == 0) {
        d.error = "The " + d.label + " file has no streams";
        return E_UNEXPECTED;
    }
    d.sink = &sink;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    d.io.reset(avio_alloc_context(buffer, kIoBufferBytes, 1, &d, nullptr, &Impl::writePacket,
                                  &Impl::seekPacket));
    if (!d.io) {
        av_free(buffer);
        return E_OUTOFMEMORY;
    }
    d.io->seekable = AVIO_SEEKABLE_NORMAL;
    if (!d.avi()) {
        d.io->write_data_type = &Impl::writeTyped;
    }
    d.format->pb = d.io.get();
    d.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    d.begun = true;
    AVDictionary* options = nullptr;
    if (d.container == OutputContainer::Mp4) {
        // Fragments keep what was written playable when the file is cut short; Opus and
        // FLAC in MP4 count as experimental in this libavformat.
        av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
        av_dict_set(&options, "frag_duration", "1000000", 0);
        d.format->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    }
    const int headerResult = avformat_write_header(d.format.get(), &options);
    av_dict_free(&options);
    if (const int err = headerResult; err < 0) {
        d.finished = true;
        d.finishResult = d.failure(err, "Cannot write the " + d.label + " header");
        return d.finishResult;
    }
    return S_OK;
}

// The packet's time in the stream's units. Audio follows its sample count (exact for the
// block-based formats); video follows the sample times, one unit per frame period.
int64_t AviMuxer::Impl::packetTime(AVStream* st, size_t size, REFERENCE_TIME startHns) {
    const int index = st->index;
    int64_t ts = av_rescale_q_rnd(std::max<REFERENCE_TIME>(startHns, 0), kHnsBase, st->time_base,
                                  AV_ROUND_NEAR_INF);
    if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
        const int samples = av_get_audio_frame_duration2(st->codecpar, static_cast<int>(size));
        if (samples > 0) {
            ts = av_rescale_q(audioSamples[index], AVRational{1, st->codecpar->sample_rate},
                              st->time_base);
            audioSamples[index] += samples;
        }
    }
    if (lastDts[index] != AV_NOPTS_VALUE && ts <= lastDts[index]) {
        ts = lastDts[index] + 1;
    }
    lastDts[index] = ts;
    return ts;
}

HRESULT AviMuxer::write(int stream, const uint8_t* data, size_t size, REFERENCE_TIME startHns,
                        REFERENCE_TIME stopHns, bool keyFrame) {
    Impl& d = *impl_;
    std::lock_guard guard(d.lock);
    if (!d.begun || d.finished || stream < 0 || stream >= static_cast<int>(d.format->nb_streams)) {
        return d.finished && FAILED(d.finishResult) ? d.finishResult : E_UNEXPECTED;
    }
    if (FAILED(d.sinkError)) {
        return d.sinkError;
    }
    AVStream* st = d.format->streams[stream];
    AVPacket* pkt = d.packet.get();
    av_packet_unref(pkt);
    // Not reference-counted: libavformat copies the bytes if it has to queue them.
    pkt->data = const_cast<uint8_t*>(data);
    pkt->size = static_cast<int>(size);
    pkt->stream_index = stream;
    pkt->pts = pkt->dts = d.packetTime(st, size, startHns);
    const int64_t duration =
        av_rescale_q(std::max<REFERENCE_TIME>(stopHns - startHns, 0), kHnsBase, st->time_base);
    pkt->duration = std::max<int64_t>(duration, 1);
    pkt->flags = keyFrame || st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? AV_PKT_FLAG_KEY : 0;
    const int err = av_interleaved_write_frame(d.format.get(), pkt);
    pkt->data = nullptr;
    pkt->size = 0;
    if (err < 0 || FAILED(d.sinkError)) {
        return d.failure(err, "Cannot write to the " + d.label + " file");
    }
    return S_OK;
}

HRESULT AviMuxer::finish() {
    Impl& d = *impl_;
    std::lock_guard guard(d.lock);
    if (d.finished) {
        return d.finishResult;
    }
    d.finished = true;
    if (!d.begun) {
        d.finishResult = S_FALSE;
        return d.finishResult;
    }
    int err = av_write_trailer(d.format.get());
    avio_flush(d.io.get());
    if (err >= 0 && d.io->error < 0) {
        err = d.io->error;
    }
    d.finishResult = err < 0 || FAILED(d.sinkError)
                         ? d.failure(err, "Cannot finish the " + d.label + " file")
                         : S_OK;
    return d.finishResult;
}

void AviMuxer::abandon(HRESULT reason) {
    Impl& d = *impl_;
    std::lock_guard guard(d.lock);
    if (!d.finished) {
        d.finished = true;
        d.finishResult = reason;
    }
}

} // namespace zentar
