#include "platform/media/VideoEncoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/media/FFmpegError.h"
#include "platform/media/FFmpegPtr.h"
#include "platform/media/FrameTimeBase.h"
#include "platform/media/MediaFormats.h"
#include "platform/media/Rgb555Ditherer.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace zentar {

namespace {

enum class QualityControl { None, QScale, Lambda, Crf };
enum class KeyControl { None, GopSize, KeyintMin };

// How each encoder is driven: its input pixel format, which of its controls carries the
// quality and the key-frame interval, their defaults, and the frame sizes it needs.
struct EncoderPolicy {
    const char* name;
    AVPixelFormat pixelFormat;
    QualityControl quality;
    KeyControl keyFrames;
    int defaultKeyFrameRate;
    int widthMultiple;
    int heightMultiple;
};

const EncoderPolicy kPolicies[] = {
    {"msvideo1", AV_PIX_FMT_RGB555LE, QualityControl::None, KeyControl::KeyintMin, 25, 4, 4},
    {"cinepak", AV_PIX_FMT_RGB24, QualityControl::Lambda, KeyControl::KeyintMin, 25, 4, 4},
    {"mjpeg", AV_PIX_FMT_YUVJ420P, QualityControl::QScale, KeyControl::None, 0, 2, 2},
    {"mpeg4", AV_PIX_FMT_YUV420P, QualityControl::QScale, KeyControl::GopSize, 12, 2, 2},
    {"msmpeg4v2", AV_PIX_FMT_YUV420P, QualityControl::QScale, KeyControl::GopSize, 12, 2, 2},
    {"msmpeg4", AV_PIX_FMT_YUV420P, QualityControl::QScale, KeyControl::GopSize, 12, 2, 2},
    {"wmv1", AV_PIX_FMT_YUV420P, QualityControl::QScale, KeyControl::GopSize, 12, 2, 2},
    {"wmv2", AV_PIX_FMT_YUV420P, QualityControl::QScale, KeyControl::GopSize, 12, 2, 2},
    {"dvvideo", AV_PIX_FMT_YUV420P, QualityControl::None, KeyControl::None, 0, 1, 1},
    {"huffyuv", AV_PIX_FMT_RGB24, QualityControl::None, KeyControl::None, 0, 1, 1},
    {"ffv1", AV_PIX_FMT_BGR0, QualityControl::None, KeyControl::GopSize, 12, 1, 1},
    {"libx264", AV_PIX_FMT_YUV420P, QualityControl::Crf, KeyControl::GopSize, 250, 2, 2},
    {"libx265", AV_PIX_FMT_YUV420P, QualityControl::Crf, KeyControl::GopSize, 250, 2, 2},
    {"libsvtav1", AV_PIX_FMT_YUV420P, QualityControl::Crf, KeyControl::GopSize, 250, 8, 8},
    {"libvpx-vp9", AV_PIX_FMT_YUV420P, QualityControl::Crf, KeyControl::GopSize, 250, 2, 2},
};

constexpr double kDefaultQuality = 0.75;

const EncoderPolicy* policyFor(const std::string& name) {
    for (const EncoderPolicy& p : kPolicies) {
        if (name == p.name) {
            return &p;
        }
    }
    return nullptr;
}

bool sameSettings(const VideoEncoderSettings& a, const VideoEncoderSettings& b) {
    return a.width == b.width && a.height == b.height && a.avgTimePerFrame == b.avgTimePerFrame &&
           a.quality == b.quality && a.keyFrameRate == b.keyFrameRate && a.preset == b.preset &&
           a.globalHeader == b.globalHeader;
}

// Quality 1.0 is the best the control offers, 0.0 the worst.
int qscaleFor(double quality) {
    return 2 + static_cast<int>(std::lround((1.0 - quality) * 29));
}

} // namespace

struct VideoEncoder::Impl {
    std::string encoderName;
    uint32_t fourcc = 0;
    const EncoderPolicy* policy = nullptr;
    std::string error;
    CompressedVideoFormat format;
    ffmpeg::CodecContextPtr codec;
    ffmpeg::SwsPtr sws;                             // every input format but RGB555
    std::optional<ffmpeg::Rgb555Ditherer> ditherer; // RGB555
    ffmpeg::FramePtr frame;
    ffmpeg::PacketPtr packet = ffmpeg::makePacket();
    int frameQuality = 0; // the per-frame quality (lambda) for QScale and Lambda control
    int64_t nextPts = 0;
    std::deque<std::pair<REFERENCE_TIME, REFERENCE_TIME>> pendingTimes;

    bool drained = true; // the encoder was given its end (or nothing needs one)
    VideoEncoderSettings openedWith;

    ~Impl() { close(); }
    HRESULT fail(HRESULT hr, std::string text) {
        error = std::move(text);
        close();
        return hr;
    }
    // SVT-AV1 waits for ever in its close unless it was given the end of a stream that
    // holds at least one frame: an unused encoder gets one frame to throw away.
    void close() {
        if (codec && !drained) {
            if (nextPts == 0 && frame && av_frame_make_writable(frame.get()) >= 0) {
                frame->pts = 0;
                avcodec_send_frame(codec.get(), frame.get());
            }
            avcodec_send_frame(codec.get(), nullptr);
            while (avcodec_receive_packet(codec.get(), packet.get()) >= 0)
                av_packet_unref(packet.get());
        }
        codec.reset();
        drained = true;
    }
    void applyControls(const VideoEncoderSettings& settings);
    ffmpeg::DictionaryPtr encoderOptions(const VideoEncoderSettings& settings) const;
    HRESULT deliver(const PacketSink& sink);
};

VideoEncoder::VideoEncoder(std::string encoderName, uint32_t fourcc)
    : impl_(std::make_unique<Impl>()) {
    impl_->encoderName = std::move(encoderName);
    impl_->fourcc = fourcc;
    impl_->policy = policyFor(impl_->encoderName);
}

VideoEncoder::~VideoEncoder() = default;

VideoEncoderCaps VideoEncoder::caps() const {
    VideoEncoderCaps caps;
    const EncoderPolicy* p = impl_->policy;
    if (p == nullptr) {
        return caps;
    }
    caps.canQuality = p->quality != QualityControl::None;
    caps.canKeyFrame = p->keyFrames != KeyControl::None;
    caps.defaultKeyFrameRate = p->defaultKeyFrameRate;
    caps.defaultQuality = caps.canQuality ? kDefaultQuality : -1;
    return caps;
}

std::vector<std::string> VideoEncoder::presets(const std::string& encoderName) {
    if (encoderName == "libx264" || encoderName == "libx265") {
        return {"ultrafast", "superfast", "veryfast", "faster",  "fast",
                "medium",    "slow",      "slower",   "veryslow"};
    }
    if (encoderName == "libsvtav1") {
        return {"13", "12", "11", "10", "9", "8", "7", "6", "5", "4", "3", "2", "1", "0"};
    }
    return {};
}

bool VideoEncoder::acceptsFrameSize(const std::string& encoderName, int width, int height,
                                    std::string* why) {
    auto refuse = [why](std::string text) {
        if (why != nullptr) {
            *why = std::move(text);
        }
        return false;
    };
    const EncoderPolicy* p = policyFor(encoderName);
    if (p == nullptr) {
        return refuse("unknown encoder " + encoderName);
    }
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
        return refuse(encoderName + " cannot take frames of " + size);
    }
    if (std::strcmp(p->name, "dvvideo") == 0 &&
        !(width == 720 && (height == 576 || height == 480))) {
        return refuse("DV needs frames of 720 x 576 or 720 x 480, not " + size);
    }
    if (width % p->widthMultiple != 0 || height % p->heightMultiple != 0) {
        return refuse(encoderName + " needs a width that is a multiple of " +
                      std::to_string(p->widthMultiple) + " and a height that is a multiple of " +
                      std::to_string(p->heightMultiple) + ", not " + size);
    }
    return true;
}

void VideoEncoder::Impl::applyControls(const VideoEncoderSettings& settings) {
    AVCodecContext* c = codec.get();
    const double quality =
        settings.quality < 0 ? kDefaultQuality : std::clamp(settings.quality, 0.0, 1.0);
    frameQuality = 0;
    switch (policy->quality) {
    case QualityControl::QScale:
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * qscaleFor(quality);
        frameQuality = c->global_quality;
        break;
    case QualityControl::Lambda:
        // Cinepak reads its rate-distortion lambda from the frame's quality (plus one).
        frameQuality =
            1 + static_cast<int>(std::lround((0.25 + (1.0 - quality) * 7.75) * FF_LAMBDA_SCALE));
        break;
    case QualityControl::Crf:
        av_opt_set_double(c->priv_data, "crf", 10.0 + (1.0 - quality) * 40.0, 0);
        break;
    case QualityControl::None:
        break;
    }
    const int keyFrameRate =
        settings.keyFrameRate > 0 ? settings.keyFrameRate : policy->defaultKeyFrameRate;
    switch (policy->keyFrames) {
    case KeyControl::GopSize:
        c->gop_size = keyFrameRate;
        break;
    case KeyControl::KeyintMin:
        c->keyint_min = keyFrameRate;
        break;
    case KeyControl::None:
        break;
    }
}

// The options of the newer encoders: their preset, frames in display order only (the
// samples carry no reordering), and no chatter on standard error.
ffmpeg::DictionaryPtr
VideoEncoder::Impl::encoderOptions(const VideoEncoderSettings& settings) const {
    AVDictionary* options = nullptr;
    // A preset of another encoder (the compressor was changed since) is not passed on.
    const std::vector<std::string> known = VideoEncoder::presets(encoderName);
    if (std::find(known.begin(), known.end(), settings.preset) != known.end()) {
        av_dict_set(&options, "preset", settings.preset.c_str(), 0);
    }
    if (encoderName == "libx265") {
        av_dict_set(&options, "x265-params", "bframes=0:log-level=error", 0);
    } else if (encoderName == "libvpx-vp9") {
        // Hidden alternate reference frames would come out as packets of their own.
        av_dict_set(&options, "auto-alt-ref", "0", 0);
        av_dict_set(&options, "row-mt", "1", 0);
        av_dict_set(&options, "cpu-used", "4", 0);
        av_dict_set(&options, "b", "0", 0);
    }
    return ffmpeg::DictionaryPtr(options);
}

HRESULT VideoEncoder::open(const VideoEncoderSettings& settings) {
    Impl& d = *impl_;
    const AVCodec* encoder = avcodec_find_encoder_by_name(d.encoderName.c_str());
    if (d.policy == nullptr || encoder == nullptr) {
        return d.fail(E_FAIL, "The encoder " + d.encoderName + " is not available");
    }
    std::string why;
    if (!acceptsFrameSize(d.encoderName, settings.width, settings.height, &why)) {
        return d.fail(E_INVALIDARG, why);
    }
    if (d.codec && d.nextPts == 0 && sameSettings(settings, d.openedWith)) {
        return S_OK; // opened for these settings and still unused: keep it
    }
    if (d.encoderName == "libsvtav1") {
        // SVT-AV1 reports its set-up on standard error unless told otherwise (a user's own
        // SVT_LOG stays).
        static std::once_flag quiet;
        std::call_once(quiet, [] { setenv("SVT_LOG", "1", 0); });
    }
    d.close();
    d.openedWith = settings;
    d.codec.reset(avcodec_alloc_context3(encoder));
    d.drained = d.encoderName != "libsvtav1";
    AVCodecContext* c = d.codec.get();
    c->width = settings.width;
    c->height = settings.height;
    c->pix_fmt = d.policy->pixelFormat;
    AVRational period{
        static_cast<int>(std::clamp<REFERENCE_TIME>(
            settings.avgTimePerFrame > 0 ? settings.avgTimePerFrame : 400000, 1, INT32_MAX)),
        10'000'000};
    if (d.encoderName == "dvvideo") {
        // DV frames have a fixed rate and sampling: PAL 25 fps 4:2:0, NTSC 29.97 fps 4:1:1.
        const bool pal = settings.height == 576;
        period = pal ? AVRational{1, 25} : AVRational{1001, 30000};
        c->pix_fmt = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    }
    av_reduce(&period.num, &period.den, period.num, period.den, INT32_MAX);
    if (period.den > 65535 && d.policy->quality == QualityControl::QScale &&
        d.encoderName != "mjpeg") {
        // The MPEG-4 family stores its time base in 16 bits: 29.97 must be 1001/30000.
        period = FrameTimeBase(av_rescale(10'000'000, period.num, period.den), 65535);
    }
    c->time_base = period;
    c->framerate = av_inv_q(period);
    c->max_b_frames = 0;
    c->codec_tag = d.fourcc;
    c->thread_count = 0;
    if (settings.globalHeader) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    d.applyControls(settings);
    ffmpeg::DictionaryPtr options = d.encoderOptions(settings);
    AVDictionary* rawOptions = options.release();
    const int opened = avcodec_open2(c, encoder, &rawOptions);
    options.reset(rawOptions);
    if (const int err = opened; err < 0) {
        return d.fail(ffmpeg::hresultFromAverror(err),
                      "Cannot open the " + d.encoderName + " encoder: " + ffmpeg::errorText(err));
    }
    // MP4 and Matroska (parameter sets as extra data) take the cheaper bilinear chroma
    // filter; AVI keeps bicubic, so its files stay what they were. The 15-bit encoder's
    // input is dithered directly: the scaler's path there costs more than the encoding.
    const int filter = settings.globalHeader ? SWS_BILINEAR : SWS_BICUBIC;
    d.sws.reset();
    d.ditherer.reset();
    if (c->pix_fmt == AV_PIX_FMT_RGB555LE) {
        d.ditherer.emplace();
    } else {
        d.sws.reset(sws_getContext(c->width, c->height, AV_PIX_FMT_BGR24, c->width, c->height,
                                   c->pix_fmt, filter, nullptr, nullptr, nullptr));
    }
    d.frame = ffmpeg::makeFrame();
    d.frame->format = c->pix_fmt;
    d.frame->width = c->width;
    d.frame->height = c->height;
    if ((!d.sws && !d.ditherer) || av_frame_get_buffer(d.frame.get(), 0) < 0) {
        return d.fail(E_OUTOFMEMORY, "Cannot prepare the " + d.encoderName + " input frames");
    }
    d.nextPts = 0;
    d.pendingTimes.clear();
    d.format = CompressedVideoFormat{};
    d.format.fourcc = d.fourcc;
    d.format.width = c->width;
    d.format.height = c->height;
    d.format.bitCount =
        static_cast<uint16_t>(c->bits_per_coded_sample > 0 ? c->bits_per_coded_sample : 24);
    d.format.avgTimePerFrame = av_rescale(10'000'000, period.num, period.den);
    d.format.maxFrameBytes = static_cast<uint32_t>(c->width * c->height * 6 + 65536);
    if (c->extradata != nullptr && c->extradata_size > 0) {
        d.format.extraData.assign(c->extradata, c->extradata + c->extradata_size);
    }
    d.error.clear();
    return S_OK;
}

const std::string& VideoEncoder::errorText() const {
    return impl_->error;
}

const CompressedVideoFormat& VideoEncoder::format() const {
    return impl_->format;
}

HRESULT VideoEncoder::Impl::deliver(const PacketSink& sink) {
    for (;;) {
        const int ret = avcodec_receive_packet(codec.get(), packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
            return S_OK;
        }
        if (ret < 0) {
            error = "The " + encoderName + " encoder failed: " + ffmpeg::errorText(ret);
            return ffmpeg::hresultFromAverror(ret);
        }
        EncodedPacket out;
        out.data = packet->data;
        out.size = static_cast<size_t>(packet->size);
        out.keyFrame = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        if (!pendingTimes.empty()) {
            out.startHns = pendingTimes.front().first;
            out.stopHns = pendingTimes.front().second;
            pendingTimes.pop_front();
        }
        const HRESULT hr = sink(out);
        av_packet_unref(packet.get());
        if (FAILED(hr)) {
            return hr;
        }
    }
}

HRESULT VideoEncoder::encode(const uint8_t* bottomUpBgr, REFERENCE_TIME startHns,
                             REFERENCE_TIME stopHns, const PacketSink& sink) {
    Impl& d = *impl_;
    if (!d.codec || bottomUpBgr == nullptr) {
        return E_UNEXPECTED;
    }
    if (const int err = av_frame_make_writable(d.frame.get()); err < 0) {
        return ffmpeg::hresultFromAverror(err);
    }
    if (d.ditherer) {
        d.ditherer->convert(bottomUpBgr, d.format.width, d.format.height, d.frame->data[0],
                            d.frame->linesize[0]);
    } else {
        // Start at the last buffer row (the picture's top line) and walk upwards.
        const int stride = Rgb24Stride(d.format.width);
        const uint8_t* src[4] = {bottomUpBgr + static_cast<ptrdiff_t>(d.format.height - 1) * stride,
                                 nullptr, nullptr, nullptr};
        const int srcStride[4] = {-stride, 0, 0, 0};
        sws_scale(d.sws.get(), src, srcStride, 0, d.format.height, d.frame->data,
                  d.frame->linesize);
    }
    d.frame->pts = d.nextPts++;
    d.frame->quality = d.frameQuality;
    d.pendingTimes.emplace_back(startHns, stopHns);
    if (const int err = avcodec_send_frame(d.codec.get(), d.frame.get()); err < 0) {
        d.pendingTimes.pop_back();
        d.error = "The " + d.encoderName + " encoder refused a frame: " + ffmpeg::errorText(err);
        return ffmpeg::hresultFromAverror(err);
    }
    return d.deliver(sink);
}

HRESULT VideoEncoder::finish(const PacketSink& sink) {
    Impl& d = *impl_;
    if (!d.codec) {
        return S_FALSE;
    }
    avcodec_send_frame(d.codec.get(), nullptr);
    d.drained = true;
    const HRESULT hr = d.deliver(sink);
    d.close();
    return hr;
}

} // namespace zentar
