#include "engine/ConversionRun.h"

#include "engine/CMyException.h"
#include "engine/ClipNaming.h"
#include "engine/RgbFrame.h"
#include "engine/RunStatistics.h"
#include "engine/UnfitCompressorException.h"
#include "platform/media/OutputContainer.h"
#include "platform/system/System.h"

#include <bit>
#include <cstring>
#include <filesystem>

namespace zentar {

namespace {

constexpr const char* kStoppingText = "Stopping... please wait.";
constexpr int32_t kOpenOutputCode = 5; // "Cannot open output file."

} // namespace

ConversionRun::ConversionRun(ConversionSettings& settings, RunHost& host, RunServices services)
    : settings_(settings), host_(host), services_(std::move(services)) {}

ConversionRun::~ConversionRun() {
    StopRun();
}

std::string ConversionRun::TypeExtension() const {
    return OutputTypeExtension(settings_.DstFileType);
}

const RunFacts& ConversionRun::facts() const {
    return facts_;
}

// A compressor the chosen file type cannot hold is refused before any file is created. The
// project-file mode writes no video, and a silent input no sound.
void ConversionRun::RefuseUnfitCompressors(bool withSound) const {
    if (settings_.SceneDetection == 2)
        return;
    const OutputContainer container = ContainerForExtension(TypeExtension());
    if (!ContainerTakes(container, StreamKind::Video, settings_.VideoCodec))
        throw UnfitCompressorException(settings_.VideoCodec, ContainerLabel(container));
    if (withSound && !ContainerTakes(container, StreamKind::Audio, settings_.AudioCodec))
        throw UnfitCompressorException(settings_.AudioCodec, ContainerLabel(container));
}

DetectionSettings ConversionRun::Detection() const {
    DetectionSettings detection;
    detection.SceneDetection = settings_.SceneDetection;
    detection.HueThreshold = settings_.HueThreshold;
    detection.SatThreshold = settings_.SatThreshold;
    detection.ValThreshold = settings_.ValThreshold;
    detection.ShowStatistics = settings_.ShowStatistics;
    return detection;
}

double ConversionRun::ExaminedScore(const FrameStats& before) const {
    if (framesRead_ == 0)
        return 0.0; // the first frame is compared with nothing
    return SceneDetector::NormalisedScore(before, detector_.previousStats(), Detection());
}

void ConversionRun::StartRun() {
    StopRun();
    job = std::make_unique<ConversionJob>(services_.wmvWriters);
    job->open_input(settings_.SrcFileName, settings_.InputFrameRate());
    RefuseOutputsNamingInput();

    double inputFrameRate = 0;
    VIDEOINFOHEADER header{};
    job->get_video_info(&inputFrameRate, &header);
    inputWidth_ = header.bmiHeader.biWidth;
    inputHeight_ = header.bmiHeader.biHeight;
    AudioFormatRecord inputAudio{};
    uint32_t blockBytes = 0;
    job->get_audio_info(&inputAudio, &blockBytes);
    settings_.AudioFormat = inputAudio;
    RefuseUnfitCompressors(blockBytes > 0);

    const FrameSize output = settings_.OutputFrameSize({inputWidth_, inputHeight_});
    if (!ResampleSizeSupported(inputWidth_, inputHeight_, output.width, output.height))
        throw CMyException(kSizeRefusedCode);
    outputWidth_ = output.width;
    outputHeight_ = output.height;
    outputFrameBytes_ = RgbFrameBytes(outputWidth_, outputHeight_);
    resampler_.SetRunSizes(inputWidth_, inputHeight_, outputWidth_, outputHeight_);
    job->set_video_output(settings_.VideoFormat, outputWidth_, outputHeight_, settings_.VideoCodec);
    job->set_video_preset(settings_.VideoPreset);

    SetUpAudio(inputAudio, blockBytes);
    job->set_audio_output(outputAudioFormat_, settings_.AudioCodec);

    outputTime_ = inputTime_ = 0;
    framesRead_ = 0;
    clipCounter_ = 0;
    elapsedMs_ = 0;
    startTick_ = timeGetTime();
    facts_ = RunFacts{};
    detector_.StartRun();
    scenes_.Start(inputFrameRate, settings_.SceneDetection != 0, settings_.SrcFileName,
                  settings_.SceneDetection == 2 ? settings_.ClipsFileName : std::string());
    detectionQueue_.reset();
    if (DetectionQueue::Wanted(settings_))
        detectionQueue_ =
            std::make_unique<DetectionQueue>(settings_, Detection(), inputWidth_, inputHeight_);
    if (settings_.SceneDetection == 2) {
        projectFile_ =
            std::make_unique<ProjectFile>(settings_.ClipsFileName, settings_.SrcFileName);
        facts_.outputs.push_back(settings_.ClipsFileName);
    }

    previewFrame_.assign(outputFrameBytes_, 0);
    host_.CreatePreview(outputWidth_, outputHeight_, inputWidth_, inputHeight_);
    previewCreated_ = true;
    profileValue_.reset();
    if (services_.resolveProfile)
        profileValue_ = services_.resolveProfile(settings_.MediaProfile);
}

// The output format, and the converter with its buffer when it differs from the input's.
void ConversionRun::SetUpAudio(const AudioFormatRecord& input, uint32_t blockBytes) {
    inputAudioFormat_ = input;
    audioBlockBytes_ = blockBytes;
    outputAudioFormat_ = settings_.OutputAudioFormat(input);
    convertedAudio.clear();
    if (blockBytes == 0 || outputAudioFormat_ == inputAudioFormat_)
        return; // no sound, or nothing to convert
    const auto source = std::bit_cast<WAVEFORMATEX>(inputAudioFormat_);
    const auto destination = std::bit_cast<WAVEFORMATEX>(outputAudioFormat_);
    if (audioConverter_.open(source, destination, job->frame_rate()) != MMSYSERR_NOERROR)
        throw CMyException(kAudioRefusedCode);
    const DWORD capacity = audioConverter_.bufferBytesFor(blockBytes);
    if (capacity == 0)
        throw CMyException(kAudioRefusedCode);
    convertedAudio.assign(capacity, 0);
}

// Writing over the input would destroy it while it is read: an output name that names the
// input file (the single output, any clip of the sequence, the project file or the score
// log) is refused before anything is written.
void ConversionRun::RefuseOutputsNamingInput() const {
    const int mode = settings_.SceneDetection;
    if (DetectionQueue::Wanted(settings_) && !settings_.ScoreLogFileName.empty() &&
        job->names_input_file(settings_.ScoreLogFileName))
        throw CMyException(kOpenOutputCode);
    const std::string ext = TypeExtension();
    if (mode == 2) {
        if (job->names_input_file(settings_.ClipsFileName))
            throw CMyException(kOpenOutputCode);
        return;
    }
    if (mode == 0) {
        if (job->names_input_file(MakeClipName(settings_.DstFileName, ext, 0, 0)))
            throw CMyException(kOpenOutputCode);
        return;
    }
    if (mode != 1)
        return;
    // Clip names are stem + index (at least five digits) + extension: find the index the
    // input's own name would have in the sequence, if any, and compare that clip's name.
    namespace fs = std::filesystem;
    const std::string first = fs::path(MakeClipName(settings_.DstFileName, ext, 1, 0)).filename();
    const std::string second = fs::path(MakeClipName(settings_.DstFileName, ext, 1, 1)).filename();
    size_t stemLength = 0;
    while (first[stemLength] == second[stemLength])
        ++stemLength;
    stemLength -= 4; // the mismatch is the last of the five digits
    const std::string stem = first.substr(0, stemLength);
    const std::string tail = first.substr(stemLength + 5);
    const std::string inputName = fs::path(settings_.SrcFileName).filename();
    if (inputName.size() < stem.size() + tail.size() + 5 || inputName.rfind(stem, 0) != 0 ||
        inputName.compare(inputName.size() - tail.size(), tail.size(), tail) != 0)
        return;
    const std::string digits =
        inputName.substr(stem.size(), inputName.size() - stem.size() - tail.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return;
    const int index = std::stoi(digits);
    if (job->names_input_file(MakeClipName(settings_.DstFileName, ext, 1, index)))
        throw CMyException(kOpenOutputCode);
}

bool ConversionRun::IdleStep() {
    if (!job)
        return false;
    bool changed = false;
    const uint8_t* held = nullptr;
    if (inputTime_ <= outputTime_)
        held = ReadPhase(changed);
    if (held)
        held = PrepareHeldFrame(held);
    WriteLoop(held, changed);
    elapsedMs_ = timeGetTime() - startTick_;
    if (MoreStepsNeeded())
        return true;
    FinishOutputs();
    return false;
}

// Reads frames until one ends after the output time; each is examined for a scene change
// until one is found in this batch.
const uint8_t* ConversionRun::ReadPhase(bool& changed) {
    const uint8_t* held = nullptr;
    const DetectionSettings detection = Detection();
    while (VideoPending()) {
        bool frameChanged = false;
        double score = 0.0;
        if (detectionQueue_) {
            held = detectionQueue_->Next(*job, &inputTime_, &frameChanged, clipCounter_);
            score = detectionQueue_->normalisedScore();
        } else {
            held = job->next_video_frame(&inputTime_);
            if (!changed && held) {
                const FrameStats before = detector_.previousStats();
                frameChanged = detector_.DetectSceneChange({held, inputWidth_, inputHeight_},
                                                           framesRead_, clipCounter_, detection);
                score = ExaminedScore(before);
            }
        }
        facts_.framesRead += held ? 1 : 0;
        // The plain quadrant test examines frames only up to the first change of a batch.
        if (held && scenes_.examined() && (detectionQueue_ || !changed))
            scenes_.AddScore(static_cast<int64_t>(framesRead_), score, frameChanged);
        changed = changed || frameChanged;
        ++framesRead_;
        if (inputTime_ > outputTime_)
            break;
    }
    if (changed && held) // the held frame is the first of the scene that starts next
        scenes_.TakeThumbnail({held, inputWidth_, inputHeight_});
    return held;
}

// The held frame at the output size, shown in the preview, which also draws the statistics
// line into the frame that is written.
const uint8_t* ConversionRun::PrepareHeldFrame(const uint8_t* frame) {
    const uint8_t* resized = resampler_.ResizeHeldFrame(frame);
    if (!host_.WantPreview())
        return resized;
    // The decoded frame belongs to the reader: the preview draws into a copy of our own.
    std::memcpy(previewFrame_.data(), resized, outputFrameBytes_);
    host_.DrawPreview(previewFrame_.data(), outputFrameBytes_,
                      detectionQueue_ ? detectionQueue_->statisticsText()
                                      : detector_.statisticsText());
    return previewFrame_.data();
}

const uint8_t* ConversionRun::ConvertBlock(const uint8_t* block) {
    if (!block || convertedAudio.empty())
        return block;
    audioConverter_.convert(block, audioBlockBytes_, convertedAudio.data(),
                            static_cast<DWORD>(convertedAudio.size()));
    return convertedAudio.data();
}

void ConversionRun::WriteLoop(const uint8_t* held, bool& changed) {
    const int mode = settings_.SceneDetection;
    for (;;) {
        if (inputTime_ <= outputTime_) {
            if (!job->has_audio_reader() && job->carry_count() == 0)
                break;
            if (VideoPending())
                break; // the next step reads the frames that follow
        }
        if (!job->has_writer() && mode != 2 && !changed)
            break;
        const uint8_t* block = ConvertBlock(job->next_audio_block());
        if (changed) {
            OnSceneChange();
            changed = false;
        }
        if (!job->write_step(held, block, mode == 2, &outputTime_)) {
            // The writer refused the step; the job has closed the output. Ending the run
            // quietly here would report a failed conversion as a finished one.
            throw CMyException(kWriteFailedCode);
        }
    }
}

bool ConversionRun::MoreStepsNeeded() const {
    return (job->has_writer() || settings_.SceneDetection == 2) &&
           (VideoPending() || job->has_audio_reader() || job->carry_count() > 0);
}

bool ConversionRun::VideoPending() const {
    return detectionQueue_ ? detectionQueue_->HasFrames() : job->has_video_reader();
}

void ConversionRun::OnSceneChange() {
    const int mode = settings_.SceneDetection;
    facts_.cuts.push_back(static_cast<int64_t>(framesRead_) - 1);
    if (mode == 0 || mode == 1) {
        const int index = clipCounter_++;
        const std::string ext = TypeExtension();
        const std::string name = MakeClipName(settings_.DstFileName, ext, mode, index);
        if (!job->close_output())
            throw CMyException(kWriteFailedCode); // the previous clip could not be completed
        job->open_output(name, ext, profileValue_);
        scenes_.AddScene(static_cast<int64_t>(framesRead_) - 1, name);
        if (facts_.outputs.empty() || facts_.outputs.back() != name)
            facts_.outputs.push_back(name);
    } else if (mode == 2) {
        projectFile_->AppendCut(static_cast<int64_t>(framesRead_) - 1);
        scenes_.AddScene(static_cast<int64_t>(framesRead_) - 1, std::string());
    }
}

void ConversionRun::FinishOutputs() {
    scenes_.Finish(static_cast<int64_t>(framesRead_) - 1); // as the project file's last line
    if (projectFile_) {
        // A failed file is closed at once by ProjectFile and not reported twice.
        std::unique_ptr<ProjectFile> file = std::move(projectFile_);
        file->CloseProjectFile(static_cast<int64_t>(framesRead_) - 1);
    }
    if (job && !job->close_output())
        throw CMyException(kWriteFailedCode);
    if (detectionQueue_) {
        // Last, so that a failure before it leaves it to StopRun; reported once either way.
        std::unique_ptr<DetectionQueue> queue = std::move(detectionQueue_);
        queue->Close();
    }
}

void ConversionRun::StopRun() noexcept {
    try {
        FinishOutputs();
    } catch (...) {
        // Already reported, or reported by the caller through FinishOutputs; the outputs
        // are closed either way.
    }
    projectFile_.reset();
    detectionQueue_.reset();
    convertedAudio.clear();
    convertedAudio.shrink_to_fit();
    resampler_.EndRun();
    job.reset();
    if (previewCreated_) {
        previewCreated_ = false;
        previewFrame_.clear();
        previewFrame_.shrink_to_fit();
        host_.DestroyPreview();
    }
}

std::string ConversionRun::StatisticsText() const {
    RunCounters counters;
    counters.framesRead = framesRead_;
    counters.elapsedMs = elapsedMs_;
    counters.inputTimeHns = inputTime_;
    counters.clipCounter = clipCounter_;
    return FormatStatistics(counters);
}

void ConversionRun::UpdateStatistics() {
    host_.SetStatusText(StatisticsText(), false);
}

bool ConversionRun::OnIdle() {
    if (!running)
        return false;
    if (IdleStep()) {
        UpdateStatistics();
        return true;
    }
    WindDown();
    return false;
}

void ConversionRun::WindDown() {
    host_.BeginWait();
    host_.ClearPreviewArea();
    if (!errorShown)
        host_.SetStatusText(kStoppingText, true);
    StopRun();
    host_.SetControlsRunning(false);
    if (!errorShown)
        host_.SetStatusText(std::string(), false);
    running = false;
    errorShown = false;
    host_.EndWait();
}

} // namespace zentar
