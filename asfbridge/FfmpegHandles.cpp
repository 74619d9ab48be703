#include "asfbridge/FfmpegHandles.h"

namespace zentar::asfbridge {

int allocEncoder(AVCodecID codecId, CodecContextPtr& encoder) {
    const AVCodec* codec = avcodec_find_encoder(codecId);
    if (!codec)
        return AVERROR_ENCODER_NOT_FOUND;
    encoder.reset(avcodec_alloc_context3(codec));
    return encoder ? 0 : AVERROR(ENOMEM);
}

int openEncoderStream(AVCodecContext* encoder, AVFormatContext* output, AVStream*& stream) {
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int ret = avcodec_open2(encoder, encoder->codec, nullptr);
    if (ret < 0)
        return ret;
    stream = avformat_new_stream(output, nullptr);
    if (!stream)
        return AVERROR(ENOMEM);
    stream->time_base = encoder->time_base;
    return avcodec_parameters_from_context(stream->codecpar, encoder);
}

int encodeAndMux(AVCodecContext* encoder, const AVFrame* frame, AVFormatContext* output,
                 AVStream* stream) {
    int ret = avcodec_send_frame(encoder, frame);
    if (ret < 0)
        return ret;
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return AVERROR(ENOMEM);
    for (;;) {
        ret = avcodec_receive_packet(encoder, packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return 0;
        if (ret < 0)
            return ret;
        av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        ret = av_interleaved_write_frame(output, packet.get());
        if (ret < 0)
            return ret;
        // The muxer does not always report a failed write of the file; the I/O context does.
        if (output->pb && output->pb->error < 0)
            return output->pb->error;
    }
}

} // namespace zentar::asfbridge
