#include "platform/acm/AcmStream.h"

#include <algorithm>
#include <limits>

#include "platform/media/FFmpegPtr.h"

namespace zentar {

namespace {

bool isPlainPcm(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           f.nChannels >= 1 && f.nChannels <= 8 && f.nSamplesPerSec >= 1000 &&
           f.nSamplesPerSec <= 384000 && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

AVSampleFormat sampleFormat(const WAVEFORMATEX& f) {
    return f.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
}

DWORD clampToDword(int64_t v) {
    return static_cast<DWORD>(std::clamp<int64_t>(v, 0, std::numeric_limits<DWORD>::max()));
}

} // namespace

struct AcmStream::Impl {
    WAVEFORMATEX source;
    WAVEFORMATEX destination;
    ffmpeg::SwrPtr swr;
};

bool AcmStream::supports(const WAVEFORMATEX& source, const WAVEFORMATEX& destination) {
    return isPlainPcm(source) && isPlainPcm(destination);
}

AcmStream::AcmStream(const WAVEFORMATEX& source, const WAVEFORMATEX& destination)
    : impl_(std::make_unique<Impl>()) {
    impl_->source = source;
    impl_->destination = destination;
}

AcmStream::~AcmStream() = default;

MMRESULT AcmStream::init() {
    Impl& d = *impl_;
    AVChannelLayout in{};
    AVChannelLayout out{};
    av_channel_layout_default(&in, d.source.nChannels);
    av_channel_layout_default(&out, d.destination.nChannels);
    SwrContext* raw = nullptr;
    int err = swr_alloc_set_opts2(
        &raw, &out, sampleFormat(d.destination), static_cast<int>(d.destination.nSamplesPerSec),
        &in, sampleFormat(d.source), static_cast<int>(d.source.nSamplesPerSec), 0, nullptr);
    d.swr.reset(raw);
    if (err >= 0 && d.source.nChannels == 1 && d.destination.nChannels == 2) {
        // Mono goes to both channels at full level, as the host's converter does
        // (libswresample would lower it by 3 dB).
        const double both[2] = {1.0, 1.0};
        err = swr_set_matrix(raw, both, 1);
    }
    if (err >= 0) {
        err = swr_init(raw);
    }
    if (err == AVERROR(ENOMEM)) {
        return MMSYSERR_NOMEM;
    }
    return err < 0 ? ACMERR_NOTPOSSIBLE : MMSYSERR_NOERROR;
}

DWORD AcmStream::destinationBytesFor(DWORD sourceBytes) const {
    const Impl& d = *impl_;
    const int64_t frames = sourceBytes / d.source.nBlockAlign;
    const int64_t out =
        av_rescale_rnd(frames, d.destination.nSamplesPerSec, d.source.nSamplesPerSec, AV_ROUND_UP);
    return clampToDword(out * d.destination.nBlockAlign);
}

DWORD AcmStream::sourceBytesFor(DWORD destinationBytes) const {
    const Impl& d = *impl_;
    const int64_t frames = destinationBytes / d.destination.nBlockAlign;
    const int64_t in =
        av_rescale_rnd(frames, d.source.nSamplesPerSec, d.destination.nSamplesPerSec, AV_ROUND_UP);
    return clampToDword(in * d.source.nBlockAlign);
}

MMRESULT AcmStream::convert(const uint8_t* src, DWORD srcBytes, uint8_t* dst, DWORD dstBytes,
                            DWORD& srcUsed, DWORD& dstUsed) {
    Impl& d = *impl_;
    srcUsed = 0;
    dstUsed = 0;
    const int capacity = static_cast<int>(
        std::min<DWORD>(dstBytes / d.destination.nBlockAlign, std::numeric_limits<int>::max()));
    // Take only as much source as the destination can hold once converted.
    const int64_t fits = av_rescale_rnd(capacity, d.source.nSamplesPerSec,
                                        d.destination.nSamplesPerSec, AV_ROUND_DOWN);
    const int inFrames = static_cast<int>(std::min<int64_t>(srcBytes / d.source.nBlockAlign, fits));
    const uint8_t* in[1] = {src};
    uint8_t* out[1] = {dst};
    int produced = swr_convert(d.swr.get(), out, capacity, in, inFrames);
    if (produced < 0) {
        return ACMERR_NOTPOSSIBLE;
    }
    if (d.source.nSamplesPerSec != d.destination.nSamplesPerSec) {
        // Drain the resampler's history so that this call's output covers all of its input,
        // then start the next call afresh.
        out[0] = dst + static_cast<size_t>(produced) * d.destination.nBlockAlign;
        const int tail = swr_convert(d.swr.get(), out, capacity - produced, nullptr, 0);
        produced += std::max(tail, 0);
        if (const MMRESULT mr = init(); mr != MMSYSERR_NOERROR) {
            return mr;
        }
    }
    srcUsed = static_cast<DWORD>(inFrames) * d.source.nBlockAlign;
    dstUsed = static_cast<DWORD>(produced) * d.destination.nBlockAlign;
    return MMSYSERR_NOERROR;
}

} // namespace zentar
