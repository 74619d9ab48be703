#include "asfbridge/AudioEncoderStage.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>

namespace zentar::asfbridge {

namespace {
// Input samples handed to the resampler at a time, bounding its output buffer.
constexpr int kChunkSamples = 4096;
} // namespace

int AudioEncoderStage::create(AVFormatContext* output, const WmProfile& profile,
                              const WmWaveFormat& input,
                              std::unique_ptr<AudioEncoderStage>& stage) {
    std::unique_ptr<AudioEncoderStage> s(new AudioEncoderStage());
    s->output_ = output;
    s->blockAlign_ = input.nChannels * (input.wBitsPerSample / 8);
    int ret = allocEncoder(profile.audioCodec == WmAudioCodec::Wma1 ? AV_CODEC_ID_WMAV1
                                                                    : AV_CODEC_ID_WMAV2,
                           s->encoder_);
    if (ret < 0)
        return ret;
    s->frame_.reset(av_frame_alloc());
    if (!s->frame_)
        return AVERROR(ENOMEM);
    AVCodecContext* enc = s->encoder_.get();
    enc->sample_fmt = AV_SAMPLE_FMT_FLTP;
    enc->sample_rate = profile.sampleRate;
    av_channel_layout_default(&enc->ch_layout, profile.channels);
    enc->bit_rate = profile.audioBitRate;
    enc->time_base = AVRational{1, profile.sampleRate};
    if ((ret = openEncoderStream(enc, output, s->stream_)) < 0)
        return ret;

    AVChannelLayout inLayout;
    av_channel_layout_default(&inLayout, input.nChannels);
    SwrContext* swr = nullptr;
    ret = swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &inLayout,
                              input.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16,
                              static_cast<int>(input.nSamplesPerSec), 0, nullptr);
    s->resampler_.reset(swr);
    if (ret < 0 || (ret = swr_init(swr)) < 0)
        return ret;

    s->fifo_.reset(av_audio_fifo_alloc(enc->sample_fmt, profile.channels, enc->frame_size * 2));
    s->planeSamples_ = swr_get_out_samples(swr, kChunkSamples) + 256;
    const int planeBytes = s->planeSamples_ * static_cast<int>(sizeof(float));
    s->planeStore_.resize(static_cast<size_t>(planeBytes) * profile.channels);
    for (int c = 0; c < profile.channels; ++c)
        s->planes_.push_back(s->planeStore_.data() + static_cast<ptrdiff_t>(c) * planeBytes);
    if (!s->fifo_)
        return AVERROR(ENOMEM);
    stage = std::move(s);
    return 0;
}

int AudioEncoderStage::resample(const uint8_t* data, int samples) {
    const uint8_t* in[1] = {data};
    const int got =
        swr_convert(resampler_.get(), planes_.data(), planeSamples_, data ? in : nullptr, samples);
    if (got < 0)
        return got;
    if (got > 0 &&
        av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(planes_.data()), got) < got)
        return AVERROR(ENOMEM);
    return 0;
}

int AudioEncoderStage::encodeFrames(bool final) {
    const int frameSize = encoder_->frame_size;
    while (av_audio_fifo_size(fifo_.get()) >= frameSize ||
           (final && av_audio_fifo_size(fifo_.get()) > 0)) {
        av_frame_unref(frame_.get());
        frame_->nb_samples = frameSize;
        frame_->format = encoder_->sample_fmt;
        frame_->sample_rate = encoder_->sample_rate;
        int ret = av_channel_layout_copy(&frame_->ch_layout, &encoder_->ch_layout);
        if (ret < 0 || (ret = av_frame_get_buffer(frame_.get(), 0)) < 0)
            return ret;
        const int got =
            av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame_->data), frameSize);
        if (got < 0)
            return got;
        // The encoders take whole frames only: the last one is completed with silence.
        if (got < frameSize)
            av_samples_set_silence(frame_->data, got, frameSize - got,
                                   encoder_->ch_layout.nb_channels, encoder_->sample_fmt);
        frame_->pts = samplesOut_;
        samplesOut_ += frameSize;
        if ((ret = encodeAndMux(encoder_.get(), frame_.get(), output_, stream_)) < 0)
            return ret;
    }
    return 0;
}

int AudioEncoderStage::write(const uint8_t* data, size_t size) {
    bytesIn_ += static_cast<int64_t>(size);
    // Complete a sample frame left over from the previous block first.
    if (partialBytes_ > 0) {
        const size_t take = std::min(size, static_cast<size_t>(blockAlign_ - partialBytes_));
        std::memcpy(partial_ + partialBytes_, data, take);
        partialBytes_ += static_cast<int>(take);
        data += take;
        size -= take;
        if (partialBytes_ < blockAlign_)
            return 0;
        partialBytes_ = 0;
        if (int ret = resample(partial_, 1); ret < 0)
            return ret;
    }
    while (size >= static_cast<size_t>(blockAlign_)) {
        const int samples = static_cast<int>(
            std::min<size_t>(size / static_cast<size_t>(blockAlign_), kChunkSamples));
        if (int ret = resample(data, samples); ret < 0)
            return ret;
        const size_t used = static_cast<size_t>(samples) * static_cast<size_t>(blockAlign_);
        data += used;
        size -= used;
        if (int ret = encodeFrames(false); ret < 0)
            return ret;
    }
    std::memcpy(partial_, data, size);
    partialBytes_ = static_cast<int>(size);
    return 0;
}

int AudioEncoderStage::finish() {
    // A trailing partial sample frame cannot be played: it is dropped.
    partialBytes_ = 0;
    int ret;
    while ((ret = swr_get_delay(resampler_.get(), encoder_->sample_rate)) > 0) {
        const int before = av_audio_fifo_size(fifo_.get());
        if ((ret = resample(nullptr, 0)) < 0)
            return ret;
        if (av_audio_fifo_size(fifo_.get()) == before)
            break;
    }
    if ((ret = encodeFrames(true)) < 0)
        return ret;
    return encodeAndMux(encoder_.get(), nullptr, output_, stream_);
}

} // namespace zentar::asfbridge
