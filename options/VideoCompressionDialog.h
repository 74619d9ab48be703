// VideoCompressionDialog ("Video compression"): picks the video compressor for AVI output by
// name and sets its quality, key-frame interval and data rate; opens the compressor's own
// configuration dialog or about box. It edits the caller's compressor name and the 44-byte
// compression options in place: both on OK; on Cancel only the name, and only when the
// dialog was opened with one (the compressor last chosen in the list).
//
// The dialog borrows the caller's record, name and compressor source, which outlive it.
// A compressor filter exists only while a compressor change, Configure or About runs; a
// name that cannot be created raises CMyException (code 5) out of that handler, to the
// application's error report, and the dialog stays open. User-interface thread only.
#pragma once

#include "engine/FormatRecords.h"
#include "options/CompressorSource.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class VideoCompressionDialog;
}

namespace zentar {

class VideoCompressionDialog : public QDialog {
public:
    VideoCompressionDialog(VideoFormatRecord& options, std::string& name, QWidget* parent,
                           VideoCompressorSource& source = InstalledVideoCompressors());
    ~VideoCompressionDialog() override;

    // OK: reads the controls (a number field that holds no integer keeps the dialog open
    // with a message) and stores name, numbers, quality x 100 and rebuilt flags.
    void accept() override;
    // Cancel: hands back the last chosen name when the dialog was opened with a name.
    void reject() override;

    // The compressor-change step: reads the controls, then enables Configure and About as
    // the selected compressor offers them ("<Uncompressed>" offers neither).
    void compressorChanged();

    // The encoder preset the compressor's Configure dialog edits, stored here on OK
    // (optional; without it the preset stays with the compressor instance).
    void keepPresetIn(std::string* preset) {
        presetTarget_ = preset;
        preset_ = preset ? *preset : std::string();
    }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Reads every control into the values; a number field that holds no integer keeps its
    // old value, or, when `rejectBadFields`, is reported and makes the read fail.
    bool readControls(bool rejectBadFields);
    void setControls();
    void selectByPrefix();
    void updateNumberFields();
    void configure();
    void about();

    std::unique_ptr<Ui::VideoCompressionDialog> ui_;
    std::string* presetTarget_ = nullptr;
    std::string preset_;
    VideoFormatRecord& options_;
    std::string& name_;
    VideoCompressorSource& source_;

    std::string selectedName_;
    int qualityValue_ = 0;
    uint32_t keyFrameEvery_ = 0;
    uint32_t dataRate_ = 0;
    bool keyFrameCheck_ = false;
    bool dataRateCheck_ = false;
    bool vfwDialogMode_ = false;
    bool propertyPageMode_ = false;
    bool openedWithName_ = false;
    bool changedOnce_ = false; // the compressor-change step of the opening has run
};

} // namespace zentar
