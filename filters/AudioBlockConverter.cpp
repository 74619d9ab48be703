#include "filters/AudioBlockConverter.h"

#include "filters/ConvertAudio.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace zentar {

namespace {

// Converted frames that may wait for the next chunk: the conversion's own jitter.
constexpr size_t kMaxBacklogFrames = 32;
// Input frames on either side of a call that a drained resampler gets wrong, per
// started step of the rate ratio (measured edge effects stay well inside).
constexpr int64_t kEdgeFramesPerRatio = 128;

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
    return std::memcmp(&a, &b, sizeof(WAVEFORMATEX)) == 0;
}

} // namespace

MMRESULT AudioBlockConverter::open(const WAVEFORMATEX& source, const WAVEFORMATEX& destination,
                                   double framesPerSecond) {
    *this = AudioBlockConverter();
    source_ = source;
    destination_ = destination;
    passThrough_ = SameFormat(source, destination);
    const double chunk = destination.nAvgBytesPerSec / framesPerSecond;
    if (!(chunk >= 1.0) || chunk > 0x3FFFFFFF || destination.nBlockAlign == 0 ||
        source.nBlockAlign == 0 || source.nSamplesPerSec == 0 || destination.nSamplesPerSec == 0)
        return MMSYSERR_INVALPARAM;
    chunkBytes_ = static_cast<DWORD>(chunk); // truncated, as the audio proxy does
    if (passThrough_)
        return MMSYSERR_NOERROR;
    const int64_t in = source.nSamplesPerSec;
    const int64_t out = destination.nSamplesPerSec;
    const int64_t common = std::gcd(in, out);
    gridInput_ = in / common;
    gridOutput_ = out / common;
    if (in != out)
        edgeFrames_ = kEdgeFramesPerRatio * ((in + out - 1) / out);
    MMRESULT result = MMSYSERR_NOERROR;
    stream_ = OpenAudioStream(source, destination, &result);
    return result;
}

DWORD AudioBlockConverter::bufferBytesFor(DWORD blockBytes) const {
    DWORD size = 0;
    ConvertAudio(nullptr, &source_, blockBytes, nullptr, &destination_, &size);
    return std::max(size, chunkBytes_);
}

MMRESULT AudioBlockConverter::convert(const BYTE* block, DWORD blockBytes, BYTE* destination,
                                      DWORD capacity) {
    if (!block || !destination || chunkBytes_ == 0 || capacity < chunkBytes_)
        return MMSYSERR_INVALPARAM;
    if (passThrough_) {
        const DWORD copied = std::min(blockBytes, chunkBytes_);
        std::memcpy(destination, block, copied);
        std::memset(destination + copied, 0, chunkBytes_ - copied);
        return MMSYSERR_NOERROR;
    }
    lastResult_ = stream_ ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    takeBlock(block, blockBytes);
    convertReadyFrames();
    completeChunk();
    std::memcpy(destination, queue_.data() + queueStart_, chunkBytes_);
    queueStart_ += chunkBytes_;
    firstChunk_ = false;
    dropSurplus();
    return lastResult_;
}

void AudioBlockConverter::takeBlock(const BYTE* block, DWORD blockBytes) {
    const size_t align = source_.nBlockAlign;
    const size_t carried = sourceCarry_.size();
    const size_t total = carried + blockBytes;
    const size_t whole = total / align * align;
    if (whole >= carried) {
        input_.insert(input_.end(), sourceCarry_.begin(), sourceCarry_.end());
        input_.insert(input_.end(), block, block + (whole - carried));
        sourceCarry_.assign(block + (whole - carried), block + blockBytes);
    } else {
        sourceCarry_.insert(sourceCarry_.end(), block, block + blockBytes);
    }
}

int64_t AudioBlockConverter::windowStartFor(int64_t output) const {
    // Output frame j lies at input frame j * gridInput / gridOutput.
    const int64_t position = output * gridInput_ / gridOutput_ - edgeFrames_;
    return position <= 0 ? 0 : position / gridInput_ * gridInput_;
}

void AudioBlockConverter::convertReadyFrames() {
    const int64_t inAlign = source_.nBlockAlign;
    const int64_t outAlign = destination_.nBlockAlign;
    const int64_t inputEnd = inputBase_ + static_cast<int64_t>(input_.size()) / inAlign;
    // Output frames far enough from the end of the input to be right already.
    const int64_t ready = std::max<int64_t>(0, inputEnd - edgeFrames_) * gridOutput_ / gridInput_;
    if (!stream_ || ready <= outputNext_)
        return;
    const int64_t start = windowStartFor(outputNext_);
    const int64_t firstOutput = start / gridInput_ * gridOutput_;
    const auto sourceBytes = static_cast<DWORD>((inputEnd - start) * inAlign);
    DWORD size = 0;
    acmStreamSize(stream_.get(), sourceBytes, &size, ACM_STREAMSIZEF_SOURCE);
    converted_.resize(size + 16 * static_cast<size_t>(outAlign));
    DWORD used = 0;
    DWORD produced = 0;
    // START and END: each call stands on its own; the history is in the input given.
    lastResult_ = ConvertOnce(stream_.get(), input_.data() + (start - inputBase_) * inAlign,
                              sourceBytes, converted_.data(), static_cast<DWORD>(converted_.size()),
                              ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END, &used, &produced);
    const int64_t available = firstOutput + produced / outAlign;
    const int64_t last = std::min(ready, available);
    if (last > outputNext_) {
        const auto* from = converted_.data() + (outputNext_ - firstOutput) * outAlign;
        queue_.insert(queue_.end(), from, from + (last - outputNext_) * outAlign);
    }
    // A failed call skips its output rather than retrying the same input forever.
    outputNext_ = lastResult_ == MMSYSERR_NOERROR ? std::max(outputNext_, last) : ready;
    const int64_t keepFrom = windowStartFor(outputNext_);
    if (keepFrom > inputBase_) {
        input_.erase(input_.begin(), input_.begin() + (keepFrom - inputBase_) * inAlign);
        inputBase_ = keepFrom;
    }
}

void AudioBlockConverter::completeChunk() {
    if (queueStart_ > 0) {
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(queueStart_));
        queueStart_ = 0;
    }
    const size_t queued = queue_.size();
    if (queued >= chunkBytes_)
        return;
    const size_t align = destination_.nBlockAlign;
    const size_t frames = (chunkBytes_ - queued + align - 1) / align;
    fill_.assign(frames * align, destination_.wBitsPerSample == 8 ? 0x80 : 0x00);
    if (firstChunk_) {
        // The conversion's start-up delay goes in front, so no gap splits the sound.
        queue_.insert(queue_.begin(), fill_.begin(), fill_.end());
        return;
    }
    if (queue_.size() >= align) {
        // Holding the last frame does not click the way a silent frame would.
        const size_t last = queue_.size() - align;
        for (size_t i = 0; i < frames; ++i)
            std::memcpy(fill_.data() + i * align, queue_.data() + last, align);
    }
    queue_.insert(queue_.end(), fill_.begin(), fill_.end());
}

void AudioBlockConverter::dropSurplus() {
    // The queue ends on a whole frame. A backlog beyond a few frames is a surplus of
    // the block and chunk sizes; dropping it keeps the output in step with the input.
    const size_t align = destination_.nBlockAlign;
    const size_t queued = queue_.size() - queueStart_;
    if (queued > (kMaxBacklogFrames + 1) * align)
        queue_.resize(queue_.size() - (queued / align - kMaxBacklogFrames) * align);
}

} // namespace zentar
