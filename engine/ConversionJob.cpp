#include "engine/ConversionJob.h"

#include "engine/CMyException.h"
#include "engine/RgbFrame.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace zentar {

namespace {

constexpr double kUnitsPerSecond = 10'000'000.0;

static_assert(sizeof(VideoFormatRecord) == sizeof(AVICOMPRESSOPTIONS));
static_assert(sizeof(AudioFormatRecord) == sizeof(WAVEFORMATEX));

// A rate gives a usable output step when its frame period is at least one time unit.
bool usableFrameRate(double rate) {
    return std::isfinite(rate) && rate > 0 && std::trunc(kUnitsPerSecond / rate) >= 1;
}

} // namespace

ConversionJob::ConversionJob(MediaFileWriterFactory wmvWriters)
    : wmvWriters_(std::move(wmvWriters)) {}

ConversionJob::~ConversionJob() {
    close_output();
    audioReader_.reset();
    videoReader_.reset();
}

REFERENCE_TIME ConversionJob::frame_period() const {
    return frameRate_ > 0 ? static_cast<REFERENCE_TIME>(kUnitsPerSecond / frameRate_) : 0;
}

bool ConversionJob::names_input_file(const std::string& path) const {
    if (inputFileName_.empty() || path.empty())
        return false;
    std::error_code error;
    return std::filesystem::equivalent(inputFileName_, path, error) && !error;
}

void ConversionJob::open_input(const std::string& fileName, double forcedFrameRate) {
    inputFileName_ = fileName;
    videoReader_ = std::make_unique<ReaderGraph>(fileName, ReaderGraph::VideoTemplate(), true);
    MediaType type;
    videoReader_->GetConnectedType(&type);
    const auto* header = type.FormatAs<VIDEOINFOHEADER>();
    if (!header)
        throw CMyException(ReaderGraph::kErrorCode);
    inputVideoHeader_ = *header;
    // The run reads whole frames of the header's size out of the reader's buffer.
    if (videoReader_->GetBufferSize() < GetBitmapSize(&inputVideoHeader_.bmiHeader))
        throw CMyException(ReaderGraph::kErrorCode);

    inputFrameRate_ = videoReader_->frameRate();
    if (std::trunc(inputFrameRate_) == 0)
        measureFrameRate();
    frameRate_ = forcedFrameRate != 0 ? forcedFrameRate : inputFrameRate_;
    // No usable rate (nothing stated, nothing timed, none forced): the output could not
    // advance, so the input counts as unreadable.
    if (!usableFrameRate(frameRate_))
        throw CMyException(ReaderGraph::kErrorCode);
    openAudioReader();
}

void ConversionJob::measureFrameRate() {
    int64_t count = 0;
    REFERENCE_TIME duration = 0;
    while (duration < kMeasureLimitHns) {
        uint32_t length = 0;
        REFERENCE_TIME start = 0;
        REFERENCE_TIME stop = 0;
        videoReader_->NextSample(&length, &start, &stop);
        if (length == 0)
            break;
        ++count;
        duration += stop - start;
    }
    inputFrameRate_ = duration > 0 ? static_cast<double>(count) / (duration * 1e-7) : 0;
    // Samples of (next to) no duration say nothing about a rate: more than the highest rate
    // a user can set would turn each input second into millions of output steps.
    if (inputFrameRate_ > kMaxMeasuredFrameRate)
        inputFrameRate_ = 0;
    videoReader_->Rewind();
}

void ConversionJob::openAudioReader() {
    try {
        audioReader_ =
            std::make_unique<ReaderGraph>(inputFileName_, ReaderGraph::AudioTemplate(), true);
    } catch (const CMyException&) {
        return; // no sound, or sound that cannot be read: the conversion goes on without
    }
    MediaType type;
    audioReader_->GetConnectedType(&type);
    const auto* wave = type.FormatAs<WAVEFORMATEX>();
    if (!wave) {
        audioReader_.reset();
        return;
    }
    inputAudioFormat_ = std::bit_cast<AudioFormatRecord>(*wave);
    audioBlockSize_ = static_cast<uint32_t>(inputAudioFormat_.nAvgBytesPerSec / frameRate_);
    if (audioBlockSize_ == 0) // a frame rate beyond the sound's byte rate
        throw CMyException(ReaderGraph::kErrorCode);
    block_.assign(audioBlockSize_, 0);
    carry_.assign(std::max<uint32_t>(audioReader_->GetBufferSize(), 1), 0);
    carryCount_ = 0;
}

void ConversionJob::get_video_info(double* inputFrameRate, VIDEOINFOHEADER* header) const {
    if (inputFrameRate)
        *inputFrameRate = inputFrameRate_;
    if (header)
        *header = inputVideoHeader_;
}

void ConversionJob::get_audio_info(AudioFormatRecord* format, uint32_t* blockSize) const {
    if (format)
        *format = inputAudioFormat_;
    if (blockSize)
        *blockSize = audioBlockSize_;
}

void ConversionJob::set_video_output(const VideoFormatRecord& options, int32_t width,
                                     int32_t height, const std::string& videoCodec) {
    videoOptions_ = options;
    outputWidth_ = width;
    outputHeight_ = height;
    videoCodec_ = videoCodec;
    outputFrameBytes_ = RgbFrameBytes(std::max(width, 0), std::max(height, 0));
}

void ConversionJob::set_audio_output(const AudioFormatRecord& format,
                                     const std::string& audioCodec) {
    outputAudioFormat_ = format;
    audioCodec_ = audioCodec;
}

const uint8_t* ConversionJob::next_video_frame(REFERENCE_TIME* endTime) {
    if (!videoReader_)
        return nullptr;
    uint32_t length = 0;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    const uint8_t* data = videoReader_->NextSample(&length, &start, &stop);
    if (length == 0) {
        videoReader_.reset();
        return nullptr;
    }
    if (endTime)
        *endTime = stop;
    return data;
}

const uint8_t* ConversionJob::next_audio_block() {
    if (audioBlockSize_ == 0)
        return nullptr;
    uint32_t filled = std::min(carryCount_, audioBlockSize_);
    std::memcpy(block_.data(), carry_.data(), filled);
    std::memmove(carry_.data(), carry_.data() + filled, carryCount_ - filled);
    carryCount_ -= filled;

    const uint8_t* rest = nullptr;
    uint32_t restLength = 0;
    while (filled < audioBlockSize_ && audioReader_) {
        uint32_t length = 0;
        const uint8_t* data = audioReader_->NextSample(&length, nullptr, nullptr);
        if (length == 0) {
            audioReader_.reset();
            break;
        }
        const uint32_t taken = std::min(length, audioBlockSize_ - filled);
        std::memcpy(block_.data() + filled, data, taken);
        filled += taken;
        if (taken < length) { // the block is full: this was the last sample read
            rest = data + taken;
            restLength = length - taken;
        }
    }
    if (restLength > 0) {
        // The carry was emptied before any sample was read, so one sample always fits.
        if (carryCount_ + restLength > carry_.size())
            carry_.resize(carryCount_ + restLength);
        std::memcpy(carry_.data() + carryCount_, rest, restLength);
        carryCount_ += restLength;
    }
    if (filled == 0)
        return nullptr;
    std::fill(block_.begin() + filled, block_.end(), uint8_t(0));
    blockPending_ = true;
    return block_.data();
}

void ConversionJob::open_output(const std::string& fileName, const std::string& extension,
                                const std::optional<std::u16string>& profile) {
    close_output(); // an output left open is finished, never dropped half-written
    // Writing over the input would destroy it while it is being read.
    if (names_input_file(fileName))
        throw CMyException(AviWriterGraph::kConnectError);
    const OutputContainer container = ContainerForExtension(extension);
    if (container == OutputContainer::Wmv)
        openWmvOutput(fileName, profile);
    else
        openAviOutput(fileName, container);
}

void ConversionJob::openAviOutput(const std::string& fileName, OutputContainer container) {
    auto writer = std::make_unique<AviWriterGraph>();
    writer->SetContainer(container, videoPreset_);
    writer->SetVideoParameters(std::bit_cast<AVICOMPRESSOPTIONS>(videoOptions_), frameRate_,
                               outputWidth_, outputHeight_, videoCodec_);
    writer->BuildVideoBranch(fileName);
    // Carried bytes, and a block already taken, still need the branch after the audio
    // reader has gone.
    if (audioReader_ || carryCount_ > 0 || blockPending_) {
        writer->BuildAudioBranch(std::bit_cast<WAVEFORMATEX>(outputAudioFormat_), frameRate_,
                                 audioCodec_);
    }
    aviWriter_ = std::move(writer);
}

void ConversionJob::openWmvOutput(const std::string& fileName,
                                  const std::optional<std::u16string>& profile) {
    std::unique_ptr<MediaFileWriter> writer = wmvWriters_ ? wmvWriters_() : nullptr;
    if (!writer)
        throw CMyException(MediaFileWriter::kErrorCode); // the writer library is missing
    const bool withAudio = audioReader_ || carryCount_ > 0 || blockPending_;
    try {
        writer->open(fileName, profile, outputWidth_, outputHeight_,
                     withAudio ? &outputAudioFormat_ : nullptr, frameRate_);
    } catch (...) {
        writer->close(); // ends and releases what was set up
        throw;
    }
    wmvWriter_ = std::move(writer);
}

bool ConversionJob::write_step(const uint8_t* frame, const uint8_t* block, bool keepTimeGoing,
                               REFERENCE_TIME* time) {
    blockPending_ = false;
    bool succeeded = true;
    if (aviWriter_) {
        try {
            if (frame)
                succeeded = aviWriter_->SendVideo(frame);
            if (succeeded && block)
                succeeded = aviWriter_->SendAudio(block);
        } catch (...) {
            close_output(); // a graph that did not start is ended, not left half-open
            throw;
        }
    } else if (wmvWriter_) {
        // A block in the output format holds one frame period of its bytes.
        const size_t blockBytes =
            static_cast<size_t>(outputAudioFormat_.nAvgBytesPerSec / frameRate_);
        if (frame)
            succeeded = wmvWriter_->writeVideo(frame, outputFrameBytes_);
        if (succeeded && block)
            succeeded = wmvWriter_->writeAudio(block, blockBytes);
    }
    if (succeeded || keepTimeGoing) {
        if (time)
            *time += frame_period();
    } else {
        close_output();
    }
    return succeeded;
}

bool ConversionJob::close_output() {
    bool completed = true;
    if (aviWriter_) {
        completed = aviWriter_->SendVideo(nullptr);
        completed = aviWriter_->SendAudio(nullptr) && completed;
        aviWriter_.reset();
    }
    if (wmvWriter_) {
        completed = wmvWriter_->close() && completed;
        wmvWriter_.reset();
    }
    return completed;
}

} // namespace zentar
