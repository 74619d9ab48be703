// ConversionRun: one conversion from Start to its end, driven in steps by a front end (the
// main window's idle hook or the command line's loop). StartRun builds the job from the
// settings; each IdleStep reads input frames up to the current output time (examining them
// for scene changes), resamples the held frame to the output size, shows it, and writes the
// output steps it covers, one frame and one audio block each; scene changes open the next
// clip or record a cut in the project file. The effect is the frame-rate conversion: with
// P = trunc(10^7 / rate in use), output step k has time k x P and carries the input frame
// whose time span covers it.
//
// Failures leave StartRun and IdleStep as CMyException (or ProjectFileException); the front
// end then calls StopRun, sets errorShown and shows the message. Faults the engine reports
// without an exception are turned into failures here, so a run never ends as a success when
// its output could not be written: a refused write step or an output that could not be
// completed throws kWriteFailedCode. Every output that was opened is closed properly on
// every path (end, Stop, failure), so it holds what was written up to then.
//
// Ownership: the front end owns the run, the settings it reads (by reference) and the host.
// The run owns the job, the detector (or the detection queue with its look-ahead frames and
// score log, see DetectionQueue.h), the resampler and its buffers, the audio converter, the
// project file and the scene record (kept after the run for the front ends to show). Threads:
// everything on the front end's thread.
#pragma once

#include "engine/ConversionJob.h"
#include "engine/ConversionSettings.h"
#include "engine/DetectionQueue.h"
#include "engine/FrameResampler.h"
#include "engine/MediaFileWriter.h"
#include "engine/ProjectFile.h"
#include "engine/RunFacts.h"
#include "engine/RunHost.h"
#include "engine/SceneDetector.h"
#include "engine/SceneRecord.h"
#include "filters/AudioBlockConverter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zentar {

// What the front end supplies from the layers above the engine.
struct RunServices {
    // Writers of WMV files (the Windows Media writer library); empty: WMV fails with code 9.
    MediaFileWriterFactory wmvWriters;
    // Turns the MediaProfile setting into the profile value; empty: no profile value.
    std::function<std::optional<std::u16string>(const std::string&)> resolveProfile;
};

class ConversionRun {
public:
    // A write step the writer refused, or an output that could not be completed.
    static constexpr int32_t kWriteFailedCode = 10;
    // Input and output frame sizes the resampler cannot handle.
    static constexpr int32_t kSizeRefusedCode = 11;
    // Custom audio parameters the audio conversion cannot produce from the input.
    static constexpr int32_t kAudioRefusedCode = 12;

    ConversionRun(ConversionSettings& settings, RunHost& host, RunServices services = {});
    ~ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // Builds the run from the settings (after stopping any earlier one). No output file is
    // opened here: the first frame is always a scene change, which opens it.
    void StartRun();
    // One step; true while more steps are needed. At the natural end the outputs are
    // finished here, so a failure to complete them leaves this step as an exception.
    bool IdleStep();
    // Winds down and frees everything of the run: the project file gets its last line, the
    // current output is closed, the preview destroyed. Never throws (it also runs while a
    // failure is being reported); safe when nothing runs.
    void StopRun() noexcept;
    // Closes the project file (with its last line) and the current output, throwing when
    // either could not be completed. Front ends call it before StopRun when the user stops,
    // so that such a failure is reported.
    void FinishOutputs();
    // Writes the statistics text into the status text (without immediate repaint).
    void UpdateStatistics();
    // The statistics text of the counters as they stand.
    std::string StatisticsText() const;
    // Acts on a pending scene change before the output step that follows it.
    void OnSceneChange();

    // The idle handler: nothing without a running run; otherwise one step with statistics,
    // and at the end the wind-down. True while more steps are wanted.
    bool OnIdle();
    // The wind-down of a run that has ended (or failed): wait cursor, preview area emptied,
    // "Stopping... please wait." unless an error is shown, StopRun, controls idle, status
    // emptied unless an error is shown, running and errorShown cleared.
    void WindDown();

    // Set by the front end after a successful Start; cleared by WindDown.
    bool running = false;
    // Set by the front end when it has shown a failure's message; the wind-down then keeps
    // that message in place.
    bool errorShown = false;

    // Frames read so far, including the read that found the end.
    uint64_t framesRead() const { return framesRead_; }
    // Scores, cuts and thumbnails of the current or last run.
    const SceneRecord& scenes() const { return scenes_; }
    // The outputs opened, the scene starts and the frames read so far.
    const RunFacts& facts() const;

private:
    const uint8_t* ReadPhase(bool& changed);
    const uint8_t* PrepareHeldFrame(const uint8_t* frame);
    const uint8_t* ConvertBlock(const uint8_t* block);
    void WriteLoop(const uint8_t* held, bool& changed);
    bool MoreStepsNeeded() const;
    void SetUpAudio(const AudioFormatRecord& input, uint32_t blockSize);
    void RefuseOutputsNamingInput() const;
    std::string TypeExtension() const;
    // Throws UnfitCompressorException for a compressor the output type cannot hold.
    void RefuseUnfitCompressors(bool withSound) const;
    DetectionSettings Detection() const;
    // The detector's normalised score of the frame just examined (before: the statistics it
    // was compared with); recorded with the verdict in the scene record.
    double ExaminedScore(const FrameStats& before) const;
    // Video frames remain to be handed to the run (from the reader or the look-ahead).
    bool VideoPending() const;

    ConversionSettings& settings_;
    RunHost& host_;
    RunServices services_;

    std::unique_ptr<ConversionJob> job;
    SceneDetector detector_;
    std::unique_ptr<DetectionQueue> detectionQueue_; // detection beyond the quadrant test
    FrameResampler resampler_;
    std::unique_ptr<ProjectFile> projectFile_;
    SceneRecord scenes_;
    AudioBlockConverter audioConverter_;
    std::vector<uint8_t> convertedAudio; // one block in the output format (formats differ)
    std::vector<uint8_t> previewFrame_;  // the held frame as the preview draws into it
    bool previewCreated_ = false;

    int inputWidth_ = 0;
    int inputHeight_ = 0;
    int outputWidth_ = 0;
    int outputHeight_ = 0;
    size_t outputFrameBytes_ = 0;
    AudioFormatRecord inputAudioFormat_{};
    AudioFormatRecord outputAudioFormat_{};
    uint32_t audioBlockBytes_ = 0;
    std::optional<std::u16string> profileValue_;

    REFERENCE_TIME outputTime_ = 0;
    REFERENCE_TIME inputTime_ = 0;
    uint64_t framesRead_ = 0;
    int32_t clipCounter_ = 0;
    uint32_t elapsedMs_ = 0;
    uint32_t startTick_ = 0;
    RunFacts facts_;
};

} // namespace zentar
