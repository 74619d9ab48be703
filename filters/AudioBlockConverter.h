// AudioBlockConverter: converts a run's audio blocks (one frame period of input bytes
// each, not necessarily whole sample frames) into output chunks of exactly
// trunc(output average bytes per second / frame rate) bytes, the chunk the audio proxy
// reads per push. One ACM stream serves the whole run.
//
// Sample-rate changes: the ACM stream converts each call on its own (its resampler
// starts afresh and is drained at the end of the call). So that block boundaries do not
// click, every call re-converts a stretch of earlier input (the resampler's history)
// and keeps back the output of the last input frames (which a drained resampler gets
// wrong) until the next block supplies what follows them. Calls start on input frames
// where the input and output sample grids meet, so the output is the same as one
// continuous conversion, delayed by that held-back stretch.
//
// Bytes of a partial input sample frame at the end of a block are carried to the front
// of the next block. Converted output waits in a small queue of whole output frames;
// each block takes exactly one chunk from it. Where the conversion has produced too
// little (its start-up delay, or the fraction by which block and chunk sizes differ),
// the chunk is completed with whole frames: silence in front of the first chunk, later
// a repeat of the last frame. A backlog of more than a few frames (the same fraction the
// other way) is dropped, so the output never drifts behind the input.
//
// Owned by the run; all calls on the run's thread. The output buffer is the caller's.
#pragma once

#include "filters/AudioStreamHandle.h"

#include <cstdint>
#include <vector>

namespace zentar {

class AudioBlockConverter {
public:
    // Opens the conversion for one run. Identical formats pass blocks through.
    MMRESULT open(const WAVEFORMATEX& source, const WAVEFORMATEX& destination,
                  double framesPerSecond);

    // Bytes of one output chunk.
    DWORD chunkBytes() const { return chunkBytes_; }
    // The buffer size a run allocates for its converted blocks: the size query of
    // ConvertAudio for one block, but never less than one chunk.
    DWORD bufferBytesFor(DWORD blockBytes) const;

    // Converts one block and writes exactly chunkBytes() bytes to `destination`.
    // MMSYSERR_INVALPARAM (nothing written) when `capacity` is less than a chunk or a
    // pointer is null; a conversion failure still writes a whole chunk (held sound).
    MMRESULT convert(const BYTE* block, DWORD blockBytes, BYTE* destination, DWORD capacity);

    // Bytes of a partial source frame carried into the next block (for tests).
    size_t carriedSourceBytes() const { return sourceCarry_.size(); }
    // Converted bytes waiting for the next chunk (for tests).
    size_t queuedBytes() const { return queue_.size() - queueStart_; }

private:
    void takeBlock(const BYTE* block, DWORD blockBytes);
    void convertReadyFrames();
    // The aligned input frame where a call must start to give output frame `output`
    // with its full history.
    int64_t windowStartFor(int64_t output) const;
    void completeChunk();
    void dropSurplus();

    WAVEFORMATEX source_{};
    WAVEFORMATEX destination_{};
    AudioStreamHandle stream_;
    bool passThrough_ = false;
    bool firstChunk_ = true; // no chunk handed out yet this run
    DWORD chunkBytes_ = 0;
    MMRESULT lastResult_ = MMSYSERR_NOERROR;

    // Input and output sample grids meet every gridInput_ input frames, which give
    // gridOutput_ output frames; edgeFrames_ input frames of history and held-back
    // input on either side of a call (0 without a rate change).
    int64_t gridInput_ = 1;
    int64_t gridOutput_ = 1;
    int64_t edgeFrames_ = 0;

    std::vector<BYTE> sourceCarry_; // partial source frame
    std::vector<BYTE> input_;       // whole input frames from input frame inputBase_ on
    int64_t inputBase_ = 0;
    int64_t outputNext_ = 0;      // the next output frame to convert
    std::vector<BYTE> converted_; // one call's output, reused
    std::vector<BYTE> fill_;      // padding frames, reused
    std::vector<BYTE> queue_;     // converted bytes not yet handed out
    size_t queueStart_ = 0;       // first byte of queue_ not yet handed out
};

} // namespace zentar
