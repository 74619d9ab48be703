// ConversionJob: one conversion's input and output side. It owns the two reading graphs of
// the input (RGB24 video, PCM audio), settles the frame rate (measuring it from the samples
// when the input states no usable one), cuts the sound into blocks of one frame period, and
// owns the writer of the current output file: an AviWriterGraph, or a MediaFileWriter (WMV)
// made by the factory the front end supplies. The run asks it for frames and blocks, decides
// what is written, and calls write_step once per output frame; outputs are opened and closed
// once per clip.
//
// Failures: CMyException with the reading graph's code 7 (also when no usable frame rate
// can be settled), the writer graph's codes 1, 5 and 6, or 9 for the WMV writer; an output
// name that is the input file itself gives code 5 before anything is written.
//
// Ownership: frames returned by next_video_frame belong to the video reader and stay valid
// until the next call; the block returned by next_audio_block belongs to the job and is
// overwritten by its next call. Threads: all calls from the conversion's thread; the job
// takes no locks.
#pragma once

#include "engine/AviWriterGraph.h"
#include "engine/FormatRecords.h"
#include "engine/MediaFileWriter.h"
#include "engine/ReaderGraph.h"
#include "platform/streaming/FormatStructs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zentar {

class ConversionJob {
public:
    // Measurement of a rate the input does not state: at most this much of the stream.
    static constexpr REFERENCE_TIME kMeasureLimitHns = 150'000'000;
    // A measured rate above this (the highest rate the settings can force) is not believed.
    static constexpr double kMaxMeasuredFrameRate = 1000.0;

    explicit ConversionJob(MediaFileWriterFactory wmvWriters = {});
    virtual ~ConversionJob();
    ConversionJob(const ConversionJob&) = delete;
    ConversionJob& operator=(const ConversionJob&) = delete;

    // Opens the readers. forcedFrameRate 0: the input's rate is used. Throws code 7 when the
    // video cannot be read or no usable frame rate results; missing or unreadable audio only
    // means a conversion without sound.
    void open_input(const std::string& fileName, double forcedFrameRate);
    // The input frame rate (nominal or measured, not the forced one) and the 88-byte header.
    void get_video_info(double* inputFrameRate, VIDEOINFOHEADER* header) const;
    // The input audio format (zeros without audio) and the audio block size (0 without).
    void get_audio_info(AudioFormatRecord* format, uint32_t* blockSize) const;
    void set_video_output(const VideoFormatRecord& options, int32_t width, int32_t height,
                          const std::string& videoCodec);
    void set_audio_output(const AudioFormatRecord& format, const std::string& audioCodec);
    // The video encoder's preset (empty: its default).
    void set_video_preset(const std::string& preset) { videoPreset_ = preset; }

    // The next input frame and its end time, or null at the end of the video (the video
    // reader is then gone; endTime is left unchanged).
    const uint8_t* next_video_frame(REFERENCE_TIME* endTime);
    // The next block of audio_block_size() bytes, the last one padded with zero bytes, or
    // null when the sound is exhausted. The block is pending until the next write_step.
    const uint8_t* next_audio_block();

    // Opens the output: the WMV writer when the upper-cased extension contains "WMV",
    // otherwise a writer graph for the container the extension names (MP4, MKV, else AVI).
    // `profile` is the resolved Windows Media profile value.
    void open_output(const std::string& fileName, const std::string& extension,
                     const std::optional<std::u16string>& profile);
    // Writes one output step (frame and block may be null). When it succeeded, or with
    // keepTimeGoing, *time advances by one frame period; otherwise the output is closed and
    // *time stays. Returns whether the step succeeded (true without a writer).
    bool write_step(const uint8_t* frame, const uint8_t* block, bool keepTimeGoing,
                    REFERENCE_TIME* time);
    // Ends and drops the current output; nothing when none is open. False when the file
    // could not be completed (a write failed while it was finished, for example a full
    // disk): what was written before stays, but the failure must be reported.
    bool close_output();

    // What the run needs to decide when the conversion has ended.
    bool has_video_reader() const { return static_cast<bool>(videoReader_); }
    bool has_audio_reader() const { return static_cast<bool>(audioReader_); }
    uint32_t carry_count() const { return carryCount_; }
    bool has_writer() const {
        return static_cast<bool>(aviWriter_) || static_cast<bool>(wmvWriter_);
    }

    double frame_rate() const { return frameRate_; }              // in use
    REFERENCE_TIME frame_period() const;                          // trunc(10^7 / rate in use)
    uint32_t audio_block_size() const { return audioBlockSize_; } // 0 without audio
    // True when `path` names the input file itself (same file, by identity).
    bool names_input_file(const std::string& path) const;

private:
    void measureFrameRate();
    void openAudioReader();
    void openAviOutput(const std::string& fileName, OutputContainer container);
    void openWmvOutput(const std::string& fileName, const std::optional<std::u16string>& profile);

    MediaFileWriterFactory wmvWriters_;

    std::string inputFileName_;
    std::string videoCodec_;
    std::string audioCodec_;
    std::string videoPreset_;
    int32_t outputWidth_ = 0;
    int32_t outputHeight_ = 0;
    AudioFormatRecord outputAudioFormat_{};
    AudioFormatRecord inputAudioFormat_{};
    VideoFormatRecord videoOptions_{};
    VIDEOINFOHEADER inputVideoHeader_{};
    double frameRate_ = 0;      // in use
    double inputFrameRate_ = 0; // nominal or measured

    std::vector<uint8_t> carry_;
    uint32_t carryCount_ = 0;
    std::vector<uint8_t> block_;
    uint32_t audioBlockSize_ = 0;
    // A block handed out by next_audio_block and not written yet: an output opened in
    // between (a new clip) still needs its sound branch, even when the reader has ended.
    bool blockPending_ = false;
    size_t outputFrameBytes_ = 0;

    // Destroyed in reverse: writers before readers.
    std::unique_ptr<ReaderGraph> videoReader_;
    std::unique_ptr<ReaderGraph> audioReader_;
    std::unique_ptr<AviWriterGraph> aviWriter_;
    std::unique_ptr<MediaFileWriter> wmvWriter_;
};

} // namespace zentar
