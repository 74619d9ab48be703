// AudioCompressionDialog ("Audio compression"): picks the audio compressor for AVI output by
// name from an editable list of the installed audio compressors; a typed name is taken as
// typed. OK stores the name and rewrites the caller's 18-byte audio format record as the
// PCM description of its channels, sample rate and bits; Cancel changes nothing.
//
// Borrows the caller's record and name, which outlive it. User-interface thread only.
#pragma once

#include "engine/FormatRecords.h"
#include "options/CompressorSource.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class AudioCompressionDialog;
}

namespace zentar {

// The record as PCM: format tag 1, block align = bits x channels / 8, bytes per second =
// samples per second x block align, no extra bytes; channels, rate and bits unchanged.
AudioFormatRecord AsPcmFormat(const AudioFormatRecord& format);

class AudioCompressionDialog : public QDialog {
public:
    AudioCompressionDialog(AudioFormatRecord& format, std::string& name, QWidget* parent,
                           const AudioCompressorWalk& walk = InstalledAudioCompressorNames);
    ~AudioCompressionDialog() override;

    void accept() override;

private:
    std::unique_ptr<Ui::AudioCompressionDialog> ui_;
    AudioFormatRecord& format_;
    std::string& name_;
};

} // namespace zentar
