// VideoRenderingDialog ("Video Rendering"): the output frame rate and frame size, each kept
// from the input or set to a custom value, with the option of keeping the input's aspect
// ratio while the width or height is typed (the other field follows). The dialog works on
// its own copy of the values; the caller copies them back after OK and also after Cancel,
// when they hold what the choice, check-box and aspect handlers changed but no number that
// was only typed.
//
// User-interface thread only.
#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {
class VideoRenderingDialog;
}

namespace zentar {

struct VideoRenderingValues {
    double aspect = 4.0 / 3.0; // input width / input height; given by the caller
    int frameRateChoice = 0;   // 0 keep the input's rate, 1 custom
    double frameRate = 30.0;   // frames per second
    int frameSizeChoice = 0;   // 0 keep the input's size, 1 custom
    int32_t width = 0;
    int32_t height = 0;
    bool keepAspect = false;
};

class VideoRenderingDialog : public QDialog {
public:
    VideoRenderingDialog(const VideoRenderingValues& values, QWidget* parent);
    ~VideoRenderingDialog() override;

    // OK: reads every control; a field that does not hold a number, or a custom rate or
    // size the conversion cannot use, keeps the dialog open with a message.
    void accept() override;

    const VideoRenderingValues& values() const { return values_; }

private:
    void setControls();
    void applyEnableStates();
    void keepAspectClicked();
    void widthTyped();
    void heightTyped();
    bool readControls();

    std::unique_ptr<Ui::VideoRenderingDialog> ui_;
    VideoRenderingValues values_;
};

} // namespace zentar
