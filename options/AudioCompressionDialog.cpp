#include "options/AudioCompressionDialog.h"

#include "options/DialogFields.h"
#include "options/HelpCommand.h"
#include "ui_AudioCompressionDialog.h"

namespace zentar {

AudioFormatRecord AsPcmFormat(const AudioFormatRecord& format) {
    AudioFormatRecord pcm = format;
    pcm.nBlockAlign = static_cast<uint16_t>((pcm.wBitsPerSample * pcm.nChannels) / 8);
    pcm.wFormatTag = kWaveFormatPcm;
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    pcm.cbSize = 0;
    return pcm;
}

AudioCompressionDialog::AudioCompressionDialog(AudioFormatRecord& format, std::string& name,
                                               QWidget* parent, const AudioCompressorWalk& walk)
    : QDialog(parent), ui_(std::make_unique<Ui::AudioCompressionDialog>()), format_(format),
      name_(name) {
    ui_->setupUi(this);
    InstallHelp(this, kHelpAudioCompression);
    QComboBox& list = *ui_->compressorList;
    const QString stored = QString::fromStdString(name);
    list.setEditText(stored);
    AddSortedEntries(list, walk());
    // The list's prefix search (letter case ignored); a name that no entry begins with
    // stays as the edit text.
    const int found = list.findText(stored, Qt::MatchStartsWith);
    list.setCurrentIndex(found);
    if (found < 0) {
        list.setEditText(stored);
    }

    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { SendHelpCommand(); });
}

AudioCompressionDialog::~AudioCompressionDialog() = default;

void AudioCompressionDialog::accept() {
    name_ = ui_->compressorList->currentText().toStdString();
    format_ = AsPcmFormat(format_);
    QDialog::accept();
}

} // namespace zentar
