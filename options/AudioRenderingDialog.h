// AudioRenderingDialog ("Audio Rendering"): keep the input's audio parameters or use custom
// PCM ones, chosen as radio indexes: channels (mono, stereo), bits per channel (8, 16) and
// frequency (11,025 / 22,050 / 32,000 / 44,100 / 48,000 Hz). The three groups are enabled
// only for custom parameters but keep and store their selection either way. The dialog
// works on its own copy of the indexes; the caller takes them back only after OK.
//
// User-interface thread only.
#pragma once

#include <QDialog>

#include <memory>
#include <vector>

class QRadioButton;

namespace Ui {
class AudioRenderingDialog;
}

namespace zentar {

struct AudioRenderingValues {
    int parametersChoice = 0; // 0 keep the input's parameters, 1 custom
    int channels = 1;         // index: 0 mono, 1 stereo
    int bits = 1;             // index: 0 8 bits, 1 16 bits
    int frequency = 3;        // index into 11,025 ... 48,000 Hz
};

class AudioRenderingDialog : public QDialog {
public:
    AudioRenderingDialog(const AudioRenderingValues& values, QWidget* parent);
    ~AudioRenderingDialog() override;

    // OK: reads the four radio groups into the values.
    void accept() override;

    const AudioRenderingValues& values() const { return values_; }

private:
    std::vector<QRadioButton*> group(int which) const;
    void applyEnableState();

    std::unique_ptr<Ui::AudioRenderingDialog> ui_;
    AudioRenderingValues values_;
};

} // namespace zentar
