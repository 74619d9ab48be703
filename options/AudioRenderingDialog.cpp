#include "options/AudioRenderingDialog.h"

#include "options/HelpCommand.h"
#include "ui_AudioRenderingDialog.h"

namespace zentar {

namespace {

enum Group { kParameters, kChannels, kBits, kFrequency };

// The index of the checked button of a group, -1 when none is checked.
int CheckedIndex(const std::vector<QRadioButton*>& buttons) {
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i]->isChecked()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Checks the button of the index; an index outside the group leaves every button clear.
void CheckIndex(const std::vector<QRadioButton*>& buttons, int index) {
    if (index >= 0 && index < static_cast<int>(buttons.size())) {
        buttons[static_cast<size_t>(index)]->setChecked(true);
    }
}

} // namespace

AudioRenderingDialog::AudioRenderingDialog(const AudioRenderingValues& values, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::AudioRenderingDialog>()), values_(values) {
    ui_->setupUi(this);
    InstallHelp(this, kHelpAudioRendering);
    CheckIndex(group(kParameters), values_.parametersChoice);
    CheckIndex(group(kChannels), values_.channels);
    CheckIndex(group(kBits), values_.bits);
    CheckIndex(group(kFrequency), values_.frequency);
    applyEnableState();

    connect(ui_->keepSoundRadio, &QRadioButton::clicked, this, [this] {
        values_.parametersChoice = 0;
        applyEnableState();
    });
    connect(ui_->customSoundRadio, &QRadioButton::clicked, this, [this] {
        values_.parametersChoice = 1;
        applyEnableState();
    });
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { SendHelpCommand(); });
}

AudioRenderingDialog::~AudioRenderingDialog() = default;

std::vector<QRadioButton*> AudioRenderingDialog::group(int which) const {
    switch (which) {
    case kParameters:
        return {ui_->keepSoundRadio, ui_->customSoundRadio};
    case kChannels:
        return {ui_->monoRadio, ui_->stereoRadio};
    case kBits:
        return {ui_->bits8Radio, ui_->bits16Radio};
    default:
        return {ui_->rate11025Radio, ui_->rate22050Radio, ui_->rate32000Radio, ui_->rate44100Radio,
                ui_->rate48000Radio};
    }
}

void AudioRenderingDialog::applyEnableState() {
    const bool custom = values_.parametersChoice == 1;
    for (int which : {kChannels, kBits, kFrequency}) {
        for (QRadioButton* button : group(which)) {
            button->setEnabled(custom);
        }
    }
}

void AudioRenderingDialog::accept() {
    values_.parametersChoice = CheckedIndex(group(kParameters));
    values_.channels = CheckedIndex(group(kChannels));
    values_.bits = CheckedIndex(group(kBits));
    values_.frequency = CheckedIndex(group(kFrequency));
    QDialog::accept();
}

} // namespace zentar
