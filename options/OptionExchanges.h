// The main window's side of the four option dialogs: each function opens one dialog
// modally over `parent` on the window's settings record and copies the result back as the
// window does. The Video and Audio buttons open nothing while "Keep input file parameters"
// is set. Failures (an input that cannot be opened, a compressor that cannot be created)
// leave as CMyException for the application's error report.
//
// User-interface thread only; the settings belong to the caller.
#pragma once

#include "engine/ConversionSettings.h"
#include "options/CompressorSource.h"
#include "options/InputFrameRate.h"
#include "options/InputFrameSize.h"
#include "options/VideoRenderingDialog.h"

#include <QString>

#include <functional>

class QWidget;

namespace zentar {

// "Advanced..." of the video compressor list: the Video compression dialog on VideoCodec
// and VideoFormat. Returns true when it ended with OK. Afterwards the window selects
// VideoCodec in its list whatever the result (Cancel may have changed the name).
bool RunVideoCompressionExchange(QWidget* parent, ConversionSettings& settings,
                                 VideoCompressorSource& source = InstalledVideoCompressors());

// "Advanced..." of the audio compressor list: the Audio compression dialog on AudioCodec
// and AudioFormat. Returns true when it ended with OK.
bool RunAudioCompressionExchange(QWidget* parent, ConversionSettings& settings,
                                 const AudioCompressorWalk& walk = InstalledAudioCompressorNames);

// "&Video...": `inputText` is the input list's text; it becomes SrcFileName. The aspect
// ratio is the input's (4/3 without an input); the six frame settings are copied back
// after OK and after Cancel. Returns false when nothing was opened (KeepSettings set).
bool RunVideoRenderingExchange(QWidget* parent, ConversionSettings& settings,
                               const QString& inputText,
                               const InputFrameSizeReader& readSize = ReadInputFrameSize);

// "&Audio...": KeepSound, Channels, Bits and SampleRate, copied back only after OK.
// Returns false when nothing was opened (KeepSettings set).
bool RunAudioRenderingExchange(QWidget* parent, ConversionSettings& settings);

// "&Detection...": the detector, its thresholds, the rules and the score log, copied back
// only after OK. `inputText` is the input list's text, read for its frame rate.
bool RunSceneDetectionExchange(
    QWidget* parent, ConversionSettings& settings, const QString& inputText,
    const std::function<double(const std::string&)>& readRate = ReadInputFrameRate);

// The dialog values for the settings, and the settings for the values (the copy back).
VideoRenderingValues VideoRenderingValuesFor(const ConversionSettings& settings, double aspect);
void StoreVideoRenderingValues(const VideoRenderingValues& values, ConversionSettings& settings);

} // namespace zentar
