#include "asfbridge/VideoEncoderStage.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace zentar::asfbridge {

int VideoEncoderStage::create(AVFormatContext* output, const WmProfile& profile, int width,
                              int height, AVRational frameRate,
                              std::unique_ptr<VideoEncoderStage>& stage) {
    std::unique_ptr<VideoEncoderStage> s(new VideoEncoderStage());
    s->output_ = output;
    s->width_ = width;
    s->height_ = height;
    s->stride_ = (width * 3 + 3) & ~3;
    const bool scale = profile.width > 0 && profile.height > 0;
    const int outWidth = scale ? profile.width : (width + 1) & ~1;
    const int outHeight = scale ? profile.height : (height + 1) & ~1;
    s->scaledWidth_ = scale ? outWidth : width;
    s->scaledHeight_ = scale ? outHeight : height;

    int ret =
        allocEncoder(profile.videoCodec == WmVideoCodec::Wmv7 ? AV_CODEC_ID_WMV1 : AV_CODEC_ID_WMV2,
                     s->encoder_);
    if (ret < 0)
        return ret;
    s->picture_.reset(av_frame_alloc());
    if (!s->picture_)
        return AVERROR(ENOMEM);
    AVCodecContext* enc = s->encoder_.get();
    enc->width = outWidth;
    enc->height = outHeight;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = av_inv_q(frameRate);
    enc->framerate = frameRate;
    enc->bit_rate = profile.videoBitRate;
    // The encoder wants a tolerance of at least one frame period's worth of bits; its
    // default is below that for the highest rates and the slowest frame rates.
    const int64_t frameBits =
        av_rescale(profile.videoBitRate, enc->time_base.num, enc->time_base.den) + 1;
    enc->bit_rate_tolerance =
        static_cast<int>(std::clamp<int64_t>(frameBits, enc->bit_rate_tolerance, INT_MAX));
    enc->max_b_frames = 0;
    const double gop = std::round(profile.keyFrameSeconds * av_q2d(frameRate));
    enc->gop_size = static_cast<int>(std::clamp(gop, 1.0, 600.0));
    if ((ret = openEncoderStream(enc, output, s->stream_)) < 0)
        return ret;
    s->stream_->avg_frame_rate = frameRate;

    s->picture_->format = AV_PIX_FMT_YUV420P;
    s->picture_->width = outWidth;
    s->picture_->height = outHeight;
    if ((ret = av_frame_get_buffer(s->picture_.get(), 0)) < 0)
        return ret;
    s->scaler_.reset(sws_getContext(width, height, AV_PIX_FMT_BGR24, s->scaledWidth_,
                                    s->scaledHeight_, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr,
                                    nullptr, nullptr));
    if (!s->scaler_)
        return AVERROR(EINVAL);
    stage = std::move(s);
    return 0;
}

// Repeats the last column and row of the picture into the padding that makes its
// size even. The chroma planes are already whole: an odd luma size rounds up there.
void VideoEncoderStage::padEdges() {
    AVFrame* p = picture_.get();
    if (scaledWidth_ < p->width)
        for (int y = 0; y < scaledHeight_; ++y) {
            uint8_t* row = p->data[0] + static_cast<ptrdiff_t>(y) * p->linesize[0];
            row[scaledWidth_] = row[scaledWidth_ - 1];
        }
    if (scaledHeight_ < p->height)
        std::memcpy(p->data[0] + static_cast<ptrdiff_t>(scaledHeight_) * p->linesize[0],
                    p->data[0] + static_cast<ptrdiff_t>(scaledHeight_ - 1) * p->linesize[0],
                    static_cast<size_t>(p->width));
}

int VideoEncoderStage::write(const uint8_t* frame) {
    // The encoder may still hold a reference to the previous picture's buffers.
    int ret = av_frame_make_writable(picture_.get());
    if (ret < 0)
        return ret;
    // Bottom-up rows: start at the last buffer row and walk backwards.
    const uint8_t* source[4] = {frame + static_cast<ptrdiff_t>(height_ - 1) * stride_, nullptr,
                                nullptr, nullptr};
    const int sourceStride[4] = {-stride_, 0, 0, 0};
    sws_scale(scaler_.get(), source, sourceStride, 0, height_, picture_->data, picture_->linesize);
    padEdges();
    picture_->pts = frames_;
    ret = encodeAndMux(encoder_.get(), picture_.get(), output_, stream_);
    if (ret < 0)
        return ret;
    ++frames_;
    return 0;
}

int VideoEncoderStage::finish() {
    return encodeAndMux(encoder_.get(), nullptr, output_, stream_);
}

} // namespace zentar::asfbridge
