#include "platform/media/AudioEncoder.h"

#include <algorithm>
#include <cstring>

#include "platform/media/FFmpegError.h"
#include "platform/media/FFmpegPtr.h"
#include "platform/streaming/FormatStructs.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

namespace zentar {

namespace {

struct FifoDeleter {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoDeleter>;

AVSampleFormat pickSampleFormat(const AVCodec* codec, AVSampleFormat wanted) {
    if (codec->sample_fmts == nullptr) {
        return wanted;
    }
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == wanted) {
            return wanted;
        }
    }
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_S16P) {
            return *f;
        }
    }
    return codec->sample_fmts[0];
}

int pickSampleRate(const AVCodec* codec, int wanted) {
    if (codec->supported_samplerates == nullptr) {
        return wanted;
    }
    int best = codec->supported_samplerates[0];
    for (const int* r = codec->supported_samplerates; *r != 0; ++r) {
        if (*r == wanted) {
            return wanted;
        }
        if (std::abs(*r - wanted) < std::abs(best - wanted)) {
            best = *r;
        }
    }
    return best;
}

void putLe16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

} // namespace

struct AudioEncoder::Impl {
    std::string encoderName;
    std::string error;
    PcmAudioFormat input;
    std::vector<uint8_t> waveFormat;
    ffmpeg::CodecContextPtr codec;
    ffmpeg::SwrPtr swr;
    FifoPtr fifo;
    ffmpeg::FramePtr frame;
    ffmpeg::FramePtr scratch; // converted input before it enters the FIFO
    ffmpeg::PacketPtr packet = ffmpeg::makePacket();
    int frameSamples = 0;
    bool fixedFrames = false;
    bool started = false;
    REFERENCE_TIME baseHns = 0;
    int64_t samplesOut = 0; // encoder-rate samples handed out in packets so far
    int64_t samplesIn = 0;  // encoder-rate samples given to the encoder so far

    HRESULT fail(HRESULT hr, std::string text) {
        error = std::move(text);
        codec.reset();
        return hr;
    }
    HRESULT configure(const AVCodec* encoder);
    void buildWaveFormat();
    HRESULT queueConverted(const uint8_t* const* in, int inSamples);
    HRESULT encodeFrames(bool flush, const PacketSink& sink);
    HRESULT deliver(const PacketSink& sink);
};

AudioEncoder::AudioEncoder(std::string encoderName) : impl_(std::make_unique<Impl>()) {
    impl_->encoderName = std::move(encoderName);
}

AudioEncoder::~AudioEncoder() = default;

HRESULT AudioEncoder::Impl::configure(const AVCodec* encoder) {
    AVCodecContext* c = codec.get();
    const bool gsm = encoderName.rfind("libgsm", 0) == 0;
    const AVSampleFormat inFormat = input.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    c->sample_fmt = pickSampleFormat(encoder, inFormat);
    // GSM 6.10 is defined for 8,000 Hz mono only.
    c->sample_rate = gsm ? 8000 : pickSampleRate(encoder, static_cast<int>(input.sampleRate));
    av_channel_layout_default(&c->ch_layout, gsm ? 1 : std::min<int>(input.channels, 2));
    c->time_base = AVRational{1, c->sample_rate};
    if (encoderName == "libmp3lame") {
        c->bit_rate = c->ch_layout.nb_channels == 1 ? 64000 : 128000;
    }
    AVChannelLayout inLayout{};
    av_channel_layout_default(&inLayout, input.channels);
    SwrContext* raw = nullptr;
    int err = swr_alloc_set_opts2(&raw, &c->ch_layout, c->sample_fmt, c->sample_rate, &inLayout,
                                  inFormat, static_cast<int>(input.sampleRate), 0, nullptr);
    swr.reset(raw);
    if (err >= 0) {
        err = swr_init(raw);
    }
    return err < 0 ? ffmpeg::hresultFromAverror(err) : S_OK;
}

HRESULT AudioEncoder::open(const PcmAudioFormat& input) {
    Impl& d = *impl_;
    if (input.sampleRate == 0 || input.channels == 0 ||
        (input.bitsPerSample != 8 && input.bitsPerSample != 16)) {
        return d.fail(E_INVALIDARG, "The audio encoders take 8- or 16-bit PCM only");
    }
    std::string name = d.encoderName;
    if (name == "pcm_s16le" && input.bitsPerSample == 8) {
        name = "pcm_u8";
    }
    const AVCodec* encoder = avcodec_find_encoder_by_name(name.c_str());
    if (encoder == nullptr) {
        return d.fail(E_FAIL, "The encoder " + name + " is not available");
    }
    d.input = input;
    d.codec.reset(avcodec_alloc_context3(encoder));
    if (const HRESULT hr = d.configure(encoder); FAILED(hr)) {
        return d.fail(hr, "Cannot convert the input audio for " + name);
    }
    if (const int err = avcodec_open2(d.codec.get(), encoder, nullptr); err < 0) {
        return d.fail(ffmpeg::hresultFromAverror(err),
                      "Cannot open the " + name + " encoder: " + ffmpeg::errorText(err));
    }
    AVCodecContext* c = d.codec.get();
    d.fixedFrames =
        c->frame_size > 0 && (encoder->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) == 0;
    d.frameSamples = d.fixedFrames ? c->frame_size : std::max(c->sample_rate / 20, 1);
    d.fifo.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, d.frameSamples * 2));
    d.frame = ffmpeg::makeFrame();
    d.frame->format = c->sample_fmt;
    d.frame->nb_samples = d.frameSamples;
    av_channel_layout_copy(&d.frame->ch_layout, &c->ch_layout);
    if (!d.fifo || av_frame_get_buffer(d.frame.get(), 0) < 0) {
        return d.fail(E_OUTOFMEMORY, "Cannot prepare the " + name + " buffers");
    }
    d.started = false;
    d.samplesOut = 0;
    d.samplesIn = 0;
    d.buildWaveFormat();
    d.error.clear();
    return S_OK;
}

void AudioEncoder::Impl::buildWaveFormat() {
    const AVCodecContext* c = codec.get();
    WAVEFORMATEX wf;
    wf.nChannels = static_cast<WORD>(c->ch_layout.nb_channels);
    wf.nSamplesPerSec = static_cast<DWORD>(c->sample_rate);
    std::vector<uint8_t> extra;
    const auto blockAlign = static_cast<WORD>(c->block_align);
    switch (c->codec_id) {
    case AV_CODEC_ID_PCM_U8:
    case AV_CODEC_ID_PCM_S16LE:
        wf.wFormatTag = WAVE_FORMAT_PCM;
        wf.wBitsPerSample = c->codec_id == AV_CODEC_ID_PCM_U8 ? 8 : 16;
        wf.nBlockAlign = static_cast<WORD>(wf.nChannels * wf.wBitsPerSample / 8);
        break;
    case AV_CODEC_ID_PCM_ALAW:
    case AV_CODEC_ID_PCM_MULAW:
        wf.wFormatTag = c->codec_id == AV_CODEC_ID_PCM_ALAW ? 0x0006 : 0x0007;
        wf.wBitsPerSample = 8;
        wf.nBlockAlign = wf.nChannels;
        break;
    case AV_CODEC_ID_ADPCM_IMA_WAV:
        wf.wFormatTag = 0x0011;
        wf.wBitsPerSample = 4;
        wf.nBlockAlign = blockAlign;
        putLe16(extra, static_cast<uint32_t>(c->frame_size)); // samples per block
        break;
    case AV_CODEC_ID_ADPCM_MS:
        wf.wFormatTag = 0x0002;
        wf.wBitsPerSample = 4;
        wf.nBlockAlign = blockAlign;
        extra.assign(c->extradata, c->extradata + c->extradata_size); // block size, coefficients
        break;
    case AV_CODEC_ID_GSM_MS:
        wf.wFormatTag = 0x0031;
        wf.nBlockAlign = 65;
        putLe16(extra, 320); // samples per block
        break;
    case AV_CODEC_ID_MP3: {
        wf.wFormatTag = 0x0055;
        wf.nBlockAlign = 1;
        const auto frameBytes = static_cast<uint32_t>(144 * c->bit_rate / c->sample_rate);
        // MPEGLAYER3WAVEFORMAT: id, flags, block size, frames per block, codec delay.
        putLe16(extra, 1);
        putLe16(extra, 2);
        putLe16(extra, 0);
        putLe16(extra, frameBytes);
        putLe16(extra, 1);
        putLe16(extra, 1393);
        break;
    }
    case AV_CODEC_ID_AAC:
    case AV_CODEC_ID_OPUS:
    case AV_CODEC_ID_FLAC:
        // Tags of the MP4 and Matroska muxes; the extra bytes are the codec's own header.
        wf.wFormatTag = c->codec_id == AV_CODEC_ID_AAC    ? 0x00FF
                        : c->codec_id == AV_CODEC_ID_OPUS ? 0x704F
                                                          : 0xF1AC;
        wf.wBitsPerSample = c->codec_id == AV_CODEC_ID_FLAC ? 16 : 0;
        wf.nBlockAlign = 1;
        extra.assign(c->extradata, c->extradata + c->extradata_size);
        break;
    default:
        wf.nBlockAlign = blockAlign;
        break;
    }
    if (c->bit_rate > 0 && (c->codec_id == AV_CODEC_ID_MP3 || c->codec_id == AV_CODEC_ID_AAC ||
                            c->codec_id == AV_CODEC_ID_OPUS)) {
        wf.nAvgBytesPerSec = static_cast<DWORD>(c->bit_rate / 8);
    } else if (c->frame_size > 0 && fixedFrames && wf.nBlockAlign > 1 &&
               c->codec_id != AV_CODEC_ID_PCM_ALAW && c->codec_id != AV_CODEC_ID_PCM_MULAW) {
        wf.nAvgBytesPerSec =
            static_cast<DWORD>(av_rescale(c->sample_rate, wf.nBlockAlign, c->frame_size));
    } else {
        wf.nAvgBytesPerSec = wf.nSamplesPerSec * wf.nBlockAlign;
    }
    wf.cbSize = static_cast<WORD>(extra.size());
    waveFormat.resize(sizeof(WAVEFORMATEX));
    std::memcpy(waveFormat.data(), &wf, sizeof(WAVEFORMATEX));
    waveFormat.insert(waveFormat.end(), extra.begin(), extra.end());
}

const std::string& AudioEncoder::errorText() const {
    return impl_->error;
}

const std::vector<uint8_t>& AudioEncoder::waveFormat() const {
    return impl_->waveFormat;
}

uint32_t AudioEncoder::maxPacketBytes() const {
    const AVCodecContext* c = impl_->codec.get();
    if (c == nullptr) {
        return 0;
    }
    // Generous: uncompressed size of one frame of 32-bit samples, plus headroom.
    return static_cast<uint32_t>(impl_->frameSamples * c->ch_layout.nb_channels * 4 + 8192);
}

HRESULT AudioEncoder::Impl::deliver(const PacketSink& sink) {
    for (;;) {
        const int ret = avcodec_receive_packet(codec.get(), packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
            return S_OK;
        }
        if (ret < 0) {
            error = "The " + encoderName + " encoder failed: " + ffmpeg::errorText(ret);
            return ffmpeg::hresultFromAverror(ret);
        }
        const int rate = codec->sample_rate;
        int64_t samples = packet->duration > 0 ? packet->duration : frameSamples;
        EncodedPacket out{packet->data, static_cast<size_t>(packet->size), true,
                          baseHns + av_rescale(samplesOut, 10'000'000, rate),
                          baseHns + av_rescale(samplesOut + samples, 10'000'000, rate)};
        samplesOut += samples;
        const HRESULT hr = sink(out);
        av_packet_unref(packet.get());
        if (FAILED(hr)) {
            return hr;
        }
    }
}

// Feeds whole frames from the FIFO to the encoder; with `flush`, also the tail.
HRESULT AudioEncoder::Impl::encodeFrames(bool flush, const PacketSink& sink) {
    while (av_audio_fifo_size(fifo.get()) >= frameSamples ||
           (flush && av_audio_fifo_size(fifo.get()) > 0)) {
        if (const int err = av_frame_make_writable(frame.get()); err < 0) {
            return ffmpeg::hresultFromAverror(err);
        }
        const int available = std::min(av_audio_fifo_size(fifo.get()), frameSamples);
        av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->data), available);
        frame->nb_samples = available;
        if (available < frameSamples && fixedFrames) {
            av_samples_set_silence(frame->data, available, frameSamples - available,
                                   frame->ch_layout.nb_channels,
                                   static_cast<AVSampleFormat>(frame->format));
            frame->nb_samples = frameSamples;
        }
        frame->pts = samplesIn;
        samplesIn += frame->nb_samples;
        const int err = avcodec_send_frame(codec.get(), frame.get());
        frame->nb_samples = frameSamples;
        if (err < 0) {
            error = "The " + encoderName + " encoder refused audio: " + ffmpeg::errorText(err);
            return ffmpeg::hresultFromAverror(err);
        }
        if (const HRESULT hr = deliver(sink); FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

// Converts input samples (or, with in == nullptr, the resampler's tail) into the FIFO.
HRESULT AudioEncoder::Impl::queueConverted(const uint8_t* const* in, int inSamples) {
    const int outCapacity = swr_get_out_samples(swr.get(), inSamples);
    if (outCapacity <= 0) {
        return S_OK;
    }
    if (!scratch || scratch->nb_samples < outCapacity) {
        scratch = ffmpeg::makeFrame();
        scratch->format = codec->sample_fmt;
        scratch->nb_samples = outCapacity;
        av_channel_layout_copy(&scratch->ch_layout, &codec->ch_layout);
        if (av_frame_get_buffer(scratch.get(), 0) < 0) {
            scratch.reset();
            return E_OUTOFMEMORY;
        }
    }
    const int converted = swr_convert(swr.get(), scratch->data, outCapacity,
                                      const_cast<const uint8_t**>(in), inSamples);
    if (converted < 0) {
        return ffmpeg::hresultFromAverror(converted);
    }
    if (converted > 0 && av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(scratch->data),
                                             converted) < converted) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT AudioEncoder::encode(const uint8_t* pcm, uint32_t bytes, REFERENCE_TIME startHns,
                             const PacketSink& sink) {
    Impl& d = *impl_;
    if (!d.codec || pcm == nullptr) {
        return E_UNEXPECTED;
    }
    if (!d.started) {
        d.started = true;
        d.baseHns = startHns;
    }
    const uint8_t* in[1] = {pcm};
    if (const HRESULT hr = d.queueConverted(in, static_cast<int>(bytes / d.input.blockAlign()));
        FAILED(hr)) {
        return hr;
    }
    return d.encodeFrames(false, sink);
}

HRESULT AudioEncoder::finish(const PacketSink& sink) {
    Impl& d = *impl_;
    if (!d.codec) {
        return S_FALSE;
    }
    HRESULT hr = d.queueConverted(nullptr, 0);
    if (SUCCEEDED(hr)) {
        hr = d.encodeFrames(true, sink);
    }
    if (SUCCEEDED(hr)) {
        avcodec_send_frame(d.codec.get(), nullptr);
        hr = d.deliver(sink);
    }
    d.codec.reset();
    return hr;
}

} // namespace zentar
