#include "platform/media/PictureFileWriter.h"

#include "platform/media/FFmpegError.h"
#include "platform/media/FFmpegPtr.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace zentar {

using namespace ffmpeg;

PictureFileWriter::Format PictureFileWriter::FormatForName(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return Format::Png;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == "jpg" || ext == "jpeg" ? Format::Jpeg : Format::Png;
}

void PictureFileWriter::Write(const std::string& path, const std::uint8_t* rgb, int width,
                              int height, Format format) {
    const auto fail = [&path](const std::string& why) {
        throw std::runtime_error("cannot write '" + path + "': " + why);
    };
    if (rgb == nullptr || width <= 0 || height <= 0 || width > 65535 || height > 65535)
        fail("the picture has no usable size");
    const bool jpeg = format == Format::Jpeg;
    const AVCodec* codec = avcodec_find_encoder(jpeg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_PNG);
    if (codec == nullptr)
        fail("this FFmpeg has no encoder for it");
    CodecContextPtr context(avcodec_alloc_context3(codec));
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!context || !frame || !packet)
        fail("out of memory");
    // JPEG keeps full colour resolution (4:4:4, full range) so that labels stay sharp.
    const AVPixelFormat pixels = jpeg ? AV_PIX_FMT_YUVJ444P : AV_PIX_FMT_RGB24;
    context->width = width;
    context->height = height;
    context->pix_fmt = pixels;
    context->time_base = AVRational{1, 25};
    if (jpeg) {
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA * 2;
    }
    if (const int err = avcodec_open2(context.get(), codec, nullptr); err < 0)
        fail(errorText(err));
    frame->width = width;
    frame->height = height;
    frame->format = pixels;
    if (const int err = av_frame_get_buffer(frame.get(), 0); err < 0)
        fail(errorText(err));
    const int sourceStride = 3 * width;
    if (jpeg) {
        frame->quality = context->global_quality;
        SwsPtr scaler(sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, pixels,
                                     SWS_POINT, nullptr, nullptr, nullptr));
        if (!scaler)
            fail("no colour conversion for it");
        const std::uint8_t* planes[1] = {rgb};
        sws_scale(scaler.get(), planes, &sourceStride, 0, height, frame->data, frame->linesize);
    } else {
        for (int y = 0; y < height; ++y)
            std::memcpy(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0],
                        rgb + static_cast<std::size_t>(y) * sourceStride,
                        static_cast<std::size_t>(sourceStride));
    }
    if (const int err = avcodec_send_frame(context.get(), frame.get()); err < 0)
        fail(errorText(err));
    if (const int err = avcodec_receive_packet(context.get(), packet.get()); err < 0)
        fail(errorText(err));

    // The encoder's packet is the whole file.
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr)
        fail(std::strerror(errno));
    const bool written = std::fwrite(packet->data, 1, static_cast<std::size_t>(packet->size),
                                     file) == static_cast<std::size_t>(packet->size);
    const int writeError = errno;
    if (std::fclose(file) != 0 || !written) {
        std::remove(temporary.c_str());
        fail(std::strerror(written ? errno : writeError));
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        fail(std::strerror(error));
    }
}

} // namespace zentar
