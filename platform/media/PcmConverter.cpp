#include "platform/media/PcmConverter.h"

namespace zentar::ffmpeg {

int PcmConverter::prepare(const AVFrame& frame) {
    AVChannelLayout inLayout{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels == 0) {
        av_channel_layout_default(&inLayout, frame.ch_layout.nb_channels);
    } else if (const int err = av_channel_layout_copy(&inLayout, &frame.ch_layout); err < 0) {
        return err;
    }
    if (swr_ && frame.format == inFormat_ && frame.sample_rate == inRate_ &&
        av_channel_layout_compare(&inLayout, &inLayout_) == 0) {
        av_channel_layout_uninit(&inLayout);
        return 0;
    }
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, out_.channels);
    const AVSampleFormat outFormat = out_.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    SwrContext* raw = nullptr;
    int err = swr_alloc_set_opts2(&raw, &outLayout, outFormat, static_cast<int>(out_.sampleRate),
                                  &inLayout, static_cast<AVSampleFormat>(frame.format),
                                  frame.sample_rate, 0, nullptr);
    SwrPtr swr(raw);
    if (err >= 0) {
        err = swr_init(swr.get());
    }
    av_channel_layout_uninit(&outLayout);
    if (err < 0) {
        av_channel_layout_uninit(&inLayout);
        return err;
    }
    swr_ = std::move(swr);
    inFormat_ = frame.format;
    inRate_ = frame.sample_rate;
    av_channel_layout_uninit(&inLayout_);
    inLayout_ = inLayout;
    return 0;
}

int PcmConverter::convert(const AVFrame& frame, std::vector<uint8_t>& pcm) {
    if (const int err = prepare(frame); err < 0) {
        return err;
    }
    const int capacity = swr_get_out_samples(swr_.get(), frame.nb_samples);
    if (capacity < 0) {
        return capacity;
    }
    const size_t blockAlign = out_.blockAlign();
    pcm.resize(static_cast<size_t>(capacity) * blockAlign);
    uint8_t* outPlanes[1] = {pcm.data()};
    const int samples =
        swr_convert(swr_.get(), outPlanes, capacity,
                    const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    if (samples < 0) {
        pcm.clear();
        return samples;
    }
    pcm.resize(static_cast<size_t>(samples) * blockAlign);
    return 0;
}

} // namespace zentar::ffmpeg
