#include "tests/support/media/MediaFixture.h"

#include "platform/media/FFmpegPtr.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace zentar::test {

namespace {

// Output files are opened by the fixture itself, so the context closes its file too.
struct OutputFree {
    void operator()(AVFormatContext* f) const {
        if (f != nullptr && f->pb != nullptr && (f->oformat->flags & AVFMT_NOFILE) == 0) {
            avio_closep(&f->pb);
        }
        avformat_free_context(f);
    }
};
using CodecCtx = ffmpeg::CodecContextPtr;
using Frame = ffmpeg::FramePtr;
using Packet = ffmpeg::PacketPtr;
using Output = std::unique_ptr<AVFormatContext, OutputFree>;
using Sws = ffmpeg::SwsPtr;
using Swr = ffmpeg::SwrPtr;

const Rgb kPalette[] = {{200, 30, 30},  {30, 180, 40},  {40, 60, 210},  {230, 220, 40},
                        {20, 200, 210}, {190, 40, 190}, {240, 140, 20}, {120, 120, 120}};

void check(int err, const std::string& what) {
    if (err < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(err, text, sizeof(text));
        throw std::runtime_error("fixture: " + what + ": " + text);
    }
}

struct Encoder {
    CodecCtx ctx;
    AVStream* stream = nullptr;
    int64_t nextPts = 0;
};

class ClipWriter {
public:
    ClipWriter(const std::string& path, const ClipSpec& spec);
    void run();

private:
    void openVideo(const VideoSpec& v);
    void openAudio(const AudioSpec& a);
    void openStream(Encoder& enc, const AVCodec* codec);
    void drain(Encoder& enc, AVFrame* frame);
    void paint(int index, AVFrame* rgb) const;
    bool videoBehindAudio() const;
    void writeVideoFrame(int index);
    bool writeAudioFrame();

    const ClipSpec& spec_;
    Output out_;
    Encoder video_;
    Encoder audio_;
    Sws sws_;
    Swr swr_;
    Frame rgb_;
    Frame yuv_;
    Frame pcm_;
    Packet packet_{av_packet_alloc()};
    int64_t audioSamplesTotal_ = 0;
};

ClipWriter::ClipWriter(const std::string& path, const ClipSpec& spec) : spec_(spec) {
    AVFormatContext* raw = nullptr;
    check(avformat_alloc_output_context2(&raw, nullptr, spec.format.c_str(), path.c_str()),
          "no muxer " + spec.format);
    out_.reset(raw);
    if (spec.format == "vcd") {
        raw->packet_size = 2324; // one pack per CD sector
    }
    if (spec.video) {
        openVideo(*spec.video);
    }
    if (spec.audio) {
        openAudio(*spec.audio);
    }
    check(avio_open(&out_->pb, path.c_str(), AVIO_FLAG_WRITE), "open " + path);
    check(avformat_write_header(out_.get(), nullptr), "write header");
}

void ClipWriter::openStream(Encoder& enc, const AVCodec* codec) {
    if ((out_->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        enc.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    check(avcodec_open2(enc.ctx.get(), codec, nullptr), std::string("open ") + codec->name);
    enc.stream = avformat_new_stream(out_.get(), nullptr);
    check(avcodec_parameters_from_context(enc.stream->codecpar, enc.ctx.get()), "parameters");
    enc.stream->time_base = enc.ctx->time_base;
}

void ClipWriter::openVideo(const VideoSpec& v) {
    const AVCodec* codec = avcodec_find_encoder_by_name(v.encoder.c_str());
    if (codec == nullptr) {
        throw std::runtime_error("fixture: no encoder " + v.encoder);
    }
    video_.ctx.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = video_.ctx.get();
    c->width = v.width;
    c->height = v.height;
    c->time_base = AVRational{v.fpsDen, v.fpsNum};
    c->framerate = AVRational{v.fpsNum, v.fpsDen};
    c->gop_size = v.gop;
    c->max_b_frames = v.bFrames;
    c->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    if (v.bitRate > 0) {
        c->bit_rate = v.bitRate;
    }
    c->pix_fmt = v.pixelFormat.empty() ? codec->pix_fmts[0] : av_get_pix_fmt(v.pixelFormat.c_str());
    if (v.matrix != ColourMatrix::Unspecified) {
        c->colorspace = v.matrix == ColourMatrix::Bt709 ? AVCOL_SPC_BT709 : AVCOL_SPC_BT470BG;
    }
    if (v.range != ColourRange::Unspecified) {
        c->color_range = v.range == ColourRange::Full ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    }
    if (!v.fourcc.empty()) {
        c->codec_tag = MKTAG(v.fourcc[0], v.fourcc[1], v.fourcc[2], v.fourcc[3]);
    }
    openStream(video_, codec);
    if (v.rotation != 0) {
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(video_.stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
        av_display_rotation_set(matrix, v.rotation);
    }
    if (!v.fourcc.empty()) {
        video_.stream->codecpar->codec_tag = c->codec_tag;
    }
    rgb_.reset(av_frame_alloc());
    rgb_->format = AV_PIX_FMT_RGB24;
    rgb_->width = v.width;
    rgb_->height = v.height;
    check(av_frame_get_buffer(rgb_.get(), 0), "rgb frame");
    yuv_.reset(av_frame_alloc());
    sws_.reset(sws_getContext(v.width, v.height, AV_PIX_FMT_RGB24, v.width, v.height, c->pix_fmt,
                              SWS_BICUBIC, nullptr, nullptr, nullptr));
    const bool full = v.range == ColourRange::Full;
    const int* table =
        sws_getCoefficients(v.matrix == ColourMatrix::Bt709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT);
    sws_setColorspaceDetails(sws_.get(), table, 1, table, full ? 1 : 0, 0, 1 << 16, 1 << 16);
}

void ClipWriter::openAudio(const AudioSpec& a) {
    const AVCodec* codec = avcodec_find_encoder_by_name(a.encoder.c_str());
    if (codec == nullptr) {
        throw std::runtime_error("fixture: no encoder " + a.encoder);
    }
    audio_.ctx.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = audio_.ctx.get();
    c->sample_rate = a.sampleRate;
    av_channel_layout_default(&c->ch_layout, a.channels);
    c->sample_fmt = codec->sample_fmts[0];
    c->time_base = AVRational{1, a.sampleRate};
    c->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    if (a.bitRate > 0) {
        c->bit_rate = a.bitRate;
    }
    openStream(audio_, codec);
    SwrContext* raw = nullptr;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, a.channels);
    check(swr_alloc_set_opts2(&raw, &c->ch_layout, c->sample_fmt, a.sampleRate, &layout,
                              AV_SAMPLE_FMT_S16, a.sampleRate, 0, nullptr),
          "swr");
    swr_.reset(raw);
    check(swr_init(raw), "swr init");
    const bool variable = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0;
    pcm_.reset(av_frame_alloc());
    pcm_->format = c->sample_fmt;
    pcm_->nb_samples = c->frame_size > 0 && !variable ? c->frame_size : 1024;
    av_channel_layout_copy(&pcm_->ch_layout, &c->ch_layout);
    check(av_frame_get_buffer(pcm_.get(), 0), "pcm frame");
    audioSamplesTotal_ = static_cast<int64_t>(std::llround(a.seconds * a.sampleRate));
}

void ClipWriter::drain(Encoder& enc, AVFrame* frame) {
    check(avcodec_send_frame(enc.ctx.get(), frame), "encode");
    for (;;) {
        const int ret = avcodec_receive_packet(enc.ctx.get(), packet_.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
            return;
        }
        check(ret, "receive packet");
        // Every frame lasts one period, the last too (MP4 and MOV keep it in their index).
        if (packet_->duration == 0 && enc.ctx->codec_type == AVMEDIA_TYPE_VIDEO)
            packet_->duration = 1;
        av_packet_rescale_ts(packet_.get(), enc.ctx->time_base, enc.stream->time_base);
        packet_->stream_index = enc.stream->index;
        check(av_interleaved_write_frame(out_.get(), packet_.get()), "write packet");
    }
}

void ClipWriter::paint(int index, AVFrame* rgb) const {
    const VideoSpec& v = *spec_.video;
    if (v.painter) {
        v.painter(index, rgb->data[0], rgb->linesize[0]);
        return;
    }
    const Rgb colour = sceneColour(v, sceneOf(v, index));
    for (int y = 0; y < v.height; ++y) {
        const Rgb& c = y < v.topBandRows ? v.topBandColour : colour;
        uint8_t* row = rgb->data[0] + static_cast<ptrdiff_t>(y) * rgb->linesize[0];
        for (int x = 0; x < v.width; ++x) {
            std::memcpy(row + 3 * x, c.data(), 3);
        }
    }
}

void ClipWriter::writeVideoFrame(int index) {
    paint(index, rgb_.get());
    av_frame_unref(yuv_.get());
    yuv_->format = video_.ctx->pix_fmt;
    yuv_->width = video_.ctx->width;
    yuv_->height = video_.ctx->height;
    check(av_frame_get_buffer(yuv_.get(), 0), "frame");
    sws_scale(sws_.get(), rgb_->data, rgb_->linesize, 0, rgb_->height, yuv_->data, yuv_->linesize);
    yuv_->pts = video_.nextPts++;
    yuv_->colorspace = video_.ctx->colorspace;
    yuv_->color_range = video_.ctx->color_range;
    drain(video_, yuv_.get());
}

bool ClipWriter::writeAudioFrame() {
    const int64_t left = audioSamplesTotal_ - audio_.nextPts;
    if (left <= 0) {
        return false;
    }
    const AudioSpec& a = *spec_.audio;
    const int samples = static_cast<int>(std::min<int64_t>(left, pcm_->nb_samples));
    std::vector<int16_t> tone(static_cast<size_t>(samples) * a.channels);
    for (int i = 0; i < samples; ++i) {
        const double t = static_cast<double>(audio_.nextPts + i) / a.sampleRate;
        const auto value = static_cast<int16_t>(8000.0 * std::sin(2.0 * M_PI * a.toneHz * t));
        for (int ch = 0; ch < a.channels; ++ch) {
            tone[static_cast<size_t>(i) * a.channels + ch] = value;
        }
    }
    check(av_frame_make_writable(pcm_.get()), "pcm writable");
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(tone.data())};
    const bool fixed = pcm_->nb_samples == audio_.ctx->frame_size;
    // Fixed-size encoders get whole frames: the tail is padded with silence.
    const int converted = swr_convert(swr_.get(), pcm_->data, pcm_->nb_samples, in, samples);
    check(converted, "convert tone");
    if (fixed && converted < pcm_->nb_samples) {
        av_samples_set_silence(pcm_->data, converted, pcm_->nb_samples - converted,
                               pcm_->ch_layout.nb_channels,
                               static_cast<AVSampleFormat>(pcm_->format));
    }
    const int nb = pcm_->nb_samples;
    if (!fixed) {
        pcm_->nb_samples = converted;
    }
    pcm_->pts = audio_.nextPts;
    audio_.nextPts += samples;
    drain(audio_, pcm_.get());
    pcm_->nb_samples = nb;
    return true;
}

bool ClipWriter::videoBehindAudio() const {
    if (!spec_.audio) {
        return true;
    }
    return av_compare_ts(video_.nextPts, video_.ctx->time_base, audio_.nextPts,
                         audio_.ctx->time_base) <= 0;
}

void ClipWriter::run() {
    const int frames = spec_.video ? spec_.video->frames : 0;
    bool audioLeft = spec_.audio.has_value();
    while (video_.nextPts < frames || audioLeft) {
        if (video_.nextPts < frames && (!audioLeft || videoBehindAudio())) {
            writeVideoFrame(static_cast<int>(video_.nextPts));
        } else {
            audioLeft = writeAudioFrame();
        }
    }
    if (spec_.video) {
        drain(video_, nullptr);
    }
    if (spec_.audio) {
        drain(audio_, nullptr);
    }
    check(av_write_trailer(out_.get()), "trailer");
}

// A VCD .dat: each 2324-byte pack of the MPEG-1 program stream in one 2352-byte Mode 2
// Form 2 sector (sync, header, subheader, data, EDC), inside a RIFF CDXA file.
void wrapCdxa(const std::string& mpegPath, const std::string& path) {
    std::ifstream in(mpegPath, std::ios::binary);
    const std::vector<char> mpeg((std::istreambuf_iterator<char>(in)), {});
    constexpr size_t kPack = 2324;
    constexpr size_t kSector = 2352;
    const size_t sectors = (mpeg.size() + kPack - 1) / kPack;
    const auto dataBytes = static_cast<uint32_t>(sectors * kSector);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    auto le32 = [&out](uint32_t v) {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        out.write(b, 4);
    };
    out.write("RIFF", 4);
    le32(4 + 8 + 16 + 8 + dataBytes);
    out.write("CDXA", 4);
    out.write("fmt ", 4);
    le32(16);
    const char fmt[16] = {0, 0, 0, 0, 0x11, 0x55, 'X', 'A', 1, 0, 0, 0, 0, 0, 0, 0};
    out.write(fmt, 16);
    out.write("data", 4);
    le32(dataBytes);
    for (size_t i = 0; i < sectors; ++i) {
        char sector[kSector] = {};
        std::memset(sector + 1, 0xFF, 10);
        const size_t lba = i + 150;
        auto bcd = [](size_t v) { return static_cast<char>(((v / 10) << 4) | (v % 10)); };
        sector[12] = bcd(lba / 75 / 60);
        sector[13] = bcd(lba / 75 % 60);
        sector[14] = bcd(lba % 75);
        sector[15] = 2;
        const char sub[4] = {1, 1, 0x62, 0x0f};
        std::memcpy(sector + 16, sub, 4);
        std::memcpy(sector + 20, sub, 4);
        const size_t n = std::min(kPack, mpeg.size() - i * kPack);
        std::memcpy(sector + 24, mpeg.data() + i * kPack, n);
        out.write(sector, kSector);
    }
    if (!out) {
        throw std::runtime_error("fixture: cannot write " + path);
    }
}

} // namespace

Rgb sceneColour(const VideoSpec& spec, int index) {
    if (!spec.sceneColours.empty()) {
        return spec.sceneColours[static_cast<size_t>(index) % spec.sceneColours.size()];
    }
    return kPalette[static_cast<size_t>(index) % std::size(kPalette)];
}

int sceneOf(const VideoSpec& spec, int frame) {
    int scene = 0;
    for (const int cut : spec.cutFrames) {
        if (frame >= cut) {
            ++scene;
        }
    }
    return scene;
}

std::string writeClip(const std::string& path, const ClipSpec& spec) {
    if (spec.format == "vcd-dat") {
        ClipSpec mpeg = spec;
        mpeg.format = "vcd";
        const std::string temp = path + ".mpg";
        writeClip(temp, mpeg);
        wrapCdxa(temp, path);
        std::filesystem::remove(temp);
        return path;
    }
    // The muxers' complaints about the fixtures' own settings (VBV sizes, mux rates) are
    // noise; a real failure is thrown with its text.
    const int level = av_log_get_level();
    av_log_set_level(AV_LOG_FATAL);
    try {
        ClipWriter writer(path, spec);
        writer.run();
    } catch (...) {
        av_log_set_level(level);
        throw;
    }
    av_log_set_level(level);
    return path;
}

TempFolder::TempFolder(const std::string& name) {
    // Keep test logs readable: FFmpeg's warnings about the fixtures' own settings are noise.
    av_log_set_level(AV_LOG_ERROR);
    static std::atomic<int> counter{0};
    path_ = std::string(ZENTAR_BINARY_DIR) + "/test-media/" + name + "-" +
            std::to_string(::getpid()) + "-" + std::to_string(counter++);
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace zentar::test
