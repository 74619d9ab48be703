// RAII owners for the FFmpeg objects of the writer library: one std::unique_ptr with a
// deleter per FFmpeg free function.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace zentar::asfbridge {

struct CodecContextDeleter {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct FrameDeleter {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsDeleter {
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
struct SwrDeleter {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct AudioFifoDeleter {
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};
// The output context and its file: closes the file, then frees the context.
struct OutputContextDeleter {
    void operator()(AVFormatContext* p) const {
        if (p && p->pb)
            avio_closep(&p->pb);
        avformat_free_context(p);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextDeleter>;

// A new context for the encoder of codecId; negative AVERROR when there is none.
int allocEncoder(AVCodecID codecId, CodecContextPtr& encoder);

// Opens the set-up encoder and adds a stream with its parameters to output.
int openEncoderStream(AVCodecContext* encoder, AVFormatContext* output, AVStream*& stream);

// Sends frame (nullptr: flush) to the encoder and writes every packet it gives back to
// the stream of the output, interleaved. Negative AVERROR on failure, including a write
// error of the output file.
int encodeAndMux(AVCodecContext* encoder, const AVFrame* frame, AVFormatContext* output,
                 AVStream* stream);

} // namespace zentar::asfbridge
