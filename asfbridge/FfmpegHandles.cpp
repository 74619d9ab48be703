#include "asfbridge/FfmpegHandles.h"

namespace zentar::asfbridge {

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
