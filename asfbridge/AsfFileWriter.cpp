#include "asfbridge/AsfFileWriter.h"

#include "asfbridge/AsfFileRepair.h"

#include <filesystem>

namespace zentar::asfbridge {

int AsfFileWriter::open(const std::string& path, std::unique_ptr<AsfFileWriter>& writer) {
    std::unique_ptr<AsfFileWriter> w(new AsfFileWriter());
    w->path_ = path;
    AVFormatContext* context = nullptr;
    int ret = avformat_alloc_output_context2(&context, nullptr, "asf", nullptr);
    w->output_.reset(context);
    if (ret < 0)
        return ret;
    // The "file:" prefix keeps a name such as "a:b.wmv" from being taken as a protocol.
    ret = avio_open(&context->pb, ("file:" + path).c_str(), AVIO_FLAG_WRITE);
    if (ret < 0)
        return ret;
    writer = std::move(w);
    return 0;
}

AsfFileWriter::~AsfFileWriter() {
    finish();
}

int AsfFileWriter::start(const WmProfile& profile, int width, int height, const WmWaveFormat* audio,
                         double frameRate) {
    if (started_ || finished_)
        return AVERROR(EINVAL);
    const AVRational rate = av_d2q(frameRate, 65535);
    if (rate.num <= 0 || rate.den <= 0)
        return AVERROR(EINVAL);
    int ret = VideoEncoderStage::create(output_.get(), profile, width, height, rate, video_);
    if (ret < 0)
        return ret;
    if (audio && profile.hasAudio &&
        (ret = AudioEncoderStage::create(output_.get(), profile, *audio, audio_)) < 0)
        return ret;
    if ((ret = avformat_write_header(output_.get(), nullptr)) < 0)
        return ret;
    started_ = true;
    return 0;
}

int AsfFileWriter::writeVideo(const uint8_t* frame) {
    if (error_ < 0)
        return error_;
    if (!started_ || videoEnded_ || finished_)
        return AVERROR(EINVAL);
    const int ret = video_->write(frame);
    if (ret < 0)
        error_ = ret;
    return ret;
}

int AsfFileWriter::writeAudio(const uint8_t* data, size_t size) {
    if (error_ < 0)
        return error_;
    if (!started_ || audioEnded_ || finished_)
        return AVERROR(EINVAL);
    if (!audio_)
        return 0; // the profile has no audio stream: the sound is dropped
    const int ret = audio_->write(data, size);
    if (ret < 0)
        error_ = ret;
    return ret;
}

int AsfFileWriter::endVideo() {
    videoEnded_ = true;
    return videoEnded_ && audioEnded_ ? finish() : 0;
}

int AsfFileWriter::endAudio() {
    audioEnded_ = true;
    return videoEnded_ && audioEnded_ ? finish() : 0;
}

int AsfFileWriter::finish() {
    if (finished_)
        return error_;
    finished_ = true;
    const bool empty =
        !started_ || (video_->framesWritten() == 0 && (!audio_ || audio_->bytesWritten() == 0));
    if (!empty && error_ == 0) {
        int ret = video_->finish();
        if (ret >= 0 && audio_)
            ret = audio_->finish();
        if (ret >= 0)
            ret = av_write_trailer(output_.get());
        if (ret < 0)
            error_ = ret;
    } else if (!empty) {
        // After a failed write the encoders cannot be trusted; the index still is worth
        // writing so that what reached the file stays readable.
        av_write_trailer(output_.get());
    }
    if (output_->pb) {
        avio_flush(output_->pb);
        if (output_->pb->error < 0 && error_ == 0)
            error_ = output_->pb->error;
        const int closed = avio_closep(&output_->pb);
        if (closed < 0 && error_ == 0)
            error_ = closed;
    }
    // Only a plain file is removed: a device or a link named as output stays.
    std::error_code ec;
    const bool plainFile =
        std::filesystem::is_regular_file(std::filesystem::symlink_status(path_, ec));
    if (empty && plainFile)
        std::filesystem::remove(path_, ec);
    else if (error_ < 0 && plainFile)
        AsfFileRepair::Repair(path_); // what reached the file whole stays readable
    return error_;
}

} // namespace zentar::asfbridge
