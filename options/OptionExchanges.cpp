#include "options/OptionExchanges.h"

#include "options/AudioCompressionDialog.h"
#include "options/AudioRenderingDialog.h"
#include "options/SceneDetectionDialog.h"
#include "options/VideoCompressionDialog.h"
#include "options/WaitCursor.h"

namespace zentar {

namespace {

bool InDimensionRange(int32_t value) {
    return value >= 1 && value <= kMaxFrameDimension;
}

} // namespace

bool RunVideoCompressionExchange(QWidget* parent, ConversionSettings& settings,
                                 VideoCompressorSource& source) {
    VideoCompressionDialog dialog(settings.VideoFormat, settings.VideoCodec, parent, source);
    dialog.keepPresetIn(&settings.VideoPreset);
    return dialog.exec() == QDialog::Accepted;
}

bool RunAudioCompressionExchange(QWidget* parent, ConversionSettings& settings,
                                 const AudioCompressorWalk& walk) {
    AudioCompressionDialog dialog(settings.AudioFormat, settings.AudioCodec, parent, walk);
    return dialog.exec() == QDialog::Accepted;
}

VideoRenderingValues VideoRenderingValuesFor(const ConversionSettings& settings, double aspect) {
    VideoRenderingValues values;
    values.aspect = aspect;
    values.frameRateChoice = settings.KeepFrameRate ? 0 : 1;
    values.frameRate = settings.FrameRate;
    values.frameSizeChoice = settings.KeepFrameSize ? 0 : 1;
    values.width = settings.FrameWidth;
    values.height = settings.FrameHeight;
    values.keepAspect = settings.KeepAspect != 0;
    return values;
}

// A rate, width or height the conversion could not use (left by the aspect arithmetic of
// a cancelled dialog, for example an emptied width) does not replace the setting.
void StoreVideoRenderingValues(const VideoRenderingValues& values, ConversionSettings& settings) {
    settings.KeepFrameRate = values.frameRateChoice == 0 ? 1 : 0;
    if (values.frameRate >= kMinFrameRateThousandths / 1000.0 &&
        values.frameRate <= kMaxFrameRateThousandths / 1000.0) {
        settings.FrameRate = values.frameRate;
    }
    settings.KeepFrameSize = values.frameSizeChoice == 0 ? 1 : 0;
    if (InDimensionRange(values.width)) {
        settings.FrameWidth = values.width;
    }
    if (InDimensionRange(values.height)) {
        settings.FrameHeight = values.height;
    }
    settings.KeepAspect = values.keepAspect ? 1 : 0;
}

bool RunVideoRenderingExchange(QWidget* parent, ConversionSettings& settings,
                               const QString& inputText, const InputFrameSizeReader& readSize) {
    if (settings.KeepSettings) {
        return false;
    }
    FrameSize input{4, 3};
    settings.SrcFileName = inputText.toStdString();
    if (!settings.SrcFileName.empty()) {
        const WaitCursor busy;
        input = readSize(settings.SrcFileName);
    }
    const double aspect = static_cast<double>(input.width) / input.height;
    VideoRenderingDialog dialog(VideoRenderingValuesFor(settings, aspect), parent);
    dialog.exec();
    StoreVideoRenderingValues(dialog.values(), settings);
    return true;
}

bool RunSceneDetectionExchange(QWidget* parent, ConversionSettings& settings,
                               const QString& inputText,
                               const std::function<double(const std::string&)>& readRate) {
    SceneDetectionValues values;
    values.method = settings.DetectionMethod;
    values.hueThreshold = settings.HueThreshold;
    values.satThreshold = settings.SatThreshold;
    values.valThreshold = settings.ValThreshold;
    values.adaptiveThreshold = settings.AdaptiveThreshold;
    values.minSceneLength = settings.MinSceneLength;
    values.flashGuard = settings.FlashGuard;
    values.detectFades = settings.DetectFades != 0;
    values.scoreLogFileName = settings.ScoreLogFileName;
    double rate = readRate ? readRate(inputText.trimmed().toStdString()) : 0.0;
    if (!settings.KeepSettings && !settings.KeepFrameRate) {
        rate = settings.FrameRate; // the rate the run gives the input's frames
    }
    SceneDetectionDialog dialog(values, rate, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    const SceneDetectionValues& v = dialog.values();
    settings.DetectionMethod = v.method;
    settings.HueThreshold = v.hueThreshold;
    settings.SatThreshold = v.satThreshold;
    settings.ValThreshold = v.valThreshold;
    settings.AdaptiveThreshold = v.adaptiveThreshold;
    settings.MinSceneLength = v.minSceneLength;
    settings.FlashGuard = v.flashGuard;
    settings.DetectFades = v.detectFades ? 1 : 0;
    settings.ScoreLogFileName = v.scoreLogFileName;
    return true;
}

bool RunAudioRenderingExchange(QWidget* parent, ConversionSettings& settings) {
    if (settings.KeepSettings) {
        return false;
    }
    AudioRenderingValues values;
    values.parametersChoice = settings.KeepSound ? 0 : 1;
    values.channels = settings.Channels;
    values.bits = settings.Bits;
    values.frequency = settings.SampleRate;
    AudioRenderingDialog dialog(values, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return true;
    }
    settings.Channels = dialog.values().channels;
    settings.Bits = dialog.values().bits;
    settings.SampleRate = dialog.values().frequency;
    settings.KeepSound = dialog.values().parametersChoice == 0 ? 1 : 0;
    return true;
}

} // namespace zentar
