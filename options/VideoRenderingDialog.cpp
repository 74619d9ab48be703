#include "options/VideoRenderingDialog.h"

#include "engine/ConversionSettings.h"
#include "options/DialogFields.h"
#include "options/HelpCommand.h"
#include "ui_VideoRenderingDialog.h"

namespace zentar {

namespace {

// The custom values a conversion can use (the settings accept no others).
constexpr double kMinFrameRate = kMinFrameRateThousandths / 1000.0;
constexpr double kMaxFrameRate = kMaxFrameRateThousandths / 1000.0;

} // namespace

VideoRenderingDialog::VideoRenderingDialog(const VideoRenderingValues& values, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::VideoRenderingDialog>()), values_(values) {
    ui_->setupUi(this);
    InstallHelp(this, kHelpVideoRendering);
    setControls();
    applyEnableStates();

    connect(ui_->keepRateRadio, &QRadioButton::clicked, this, [this] {
        values_.frameRateChoice = 0;
        applyEnableStates();
    });
    connect(ui_->customRateRadio, &QRadioButton::clicked, this, [this] {
        values_.frameRateChoice = 1;
        applyEnableStates();
        ui_->frameRateField->setFocus(Qt::OtherFocusReason);
    });
    connect(ui_->keepSizeRadio, &QRadioButton::clicked, this, [this] {
        values_.frameSizeChoice = 0;
        applyEnableStates();
    });
    connect(ui_->customSizeRadio, &QRadioButton::clicked, this, [this] {
        values_.frameSizeChoice = 1;
        applyEnableStates();
        ui_->widthField->setFocus(Qt::OtherFocusReason);
    });
    connect(ui_->keepAspectCheck, &QCheckBox::clicked, this, [this] { keepAspectClicked(); });
    connect(ui_->widthField, &QLineEdit::textChanged, this, [this] { widthTyped(); });
    connect(ui_->heightField, &QLineEdit::textChanged, this, [this] { heightTyped(); });
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { SendHelpCommand(); });
}

VideoRenderingDialog::~VideoRenderingDialog() = default;

void VideoRenderingDialog::setControls() {
    (values_.frameRateChoice == 0 ? ui_->keepRateRadio : ui_->customRateRadio)->setChecked(true);
    (values_.frameSizeChoice == 0 ? ui_->keepSizeRadio : ui_->customSizeRadio)->setChecked(true);
    ui_->frameRateField->setText(QString::number(values_.frameRate, 'g', 15));
    ui_->widthField->setText(QString::number(values_.width));
    ui_->heightField->setText(QString::number(values_.height));
    ui_->keepAspectCheck->setChecked(values_.keepAspect);
}

void VideoRenderingDialog::applyEnableStates() {
    const bool customSize = values_.frameSizeChoice == 1;
    ui_->frameRateField->setEnabled(values_.frameRateChoice == 1);
    ui_->widthField->setEnabled(customSize);
    ui_->heightField->setEnabled(customSize);
    ui_->keepAspectCheck->setEnabled(customSize && values_.aspect > 0);
}

void VideoRenderingDialog::keepAspectClicked() {
    values_.keepAspect = ui_->keepAspectCheck->isChecked();
    if (values_.keepAspect && values_.aspect > 0) {
        values_.width = SignedFieldOrZero(*ui_->widthField);
        values_.height = RoundHalfUpTruncated(values_.width / values_.aspect);
        ui_->heightField->setText(QString::number(values_.height));
    }
}

// The focus tests keep the two fields from driving each other: a field the program sets
// does not have the focus, so its change does nothing.
void VideoRenderingDialog::widthTyped() {
    if (!values_.keepAspect || !(values_.aspect > 0) || !ui_->widthField->hasFocus()) {
        return;
    }
    values_.width = SignedFieldOrZero(*ui_->widthField);
    values_.height = RoundHalfUpTruncated(values_.width / values_.aspect);
    ui_->heightField->setText(QString::number(values_.height));
}

void VideoRenderingDialog::heightTyped() {
    if (!values_.keepAspect || !(values_.aspect > 0) || !ui_->heightField->hasFocus()) {
        return;
    }
    values_.height = SignedFieldOrZero(*ui_->heightField);
    values_.width = RoundHalfUpTruncated(values_.height * values_.aspect);
    ui_->widthField->setText(QString::number(values_.width));
}

bool VideoRenderingDialog::readControls() {
    VideoRenderingValues read = values_;
    read.frameRateChoice = ui_->keepRateRadio->isChecked() ? 0 : 1;
    read.frameSizeChoice = ui_->keepSizeRadio->isChecked() ? 0 : 1;
    read.keepAspect = ui_->keepAspectCheck->isChecked();
    const auto rate = ParseNumberField(ui_->frameRateField->text());
    if (!rate) {
        RejectField(this, ui_->frameRateField, IDS_PARSE_REAL);
        return false;
    }
    if (read.frameRateChoice == 1 && (*rate < kMinFrameRate || *rate > kMaxFrameRate)) {
        RejectField(this, ui_->frameRateField, IDS_PARSE_REAL_RANGE, QString::number(kMinFrameRate),
                    QString::number(kMaxFrameRate));
        return false;
    }
    read.frameRate = *rate;
    for (auto [field, value] :
         {std::pair{ui_->widthField, &read.width}, std::pair{ui_->heightField, &read.height}}) {
        const auto number = ParseSignedField(field->text());
        if (!number) {
            RejectField(this, field, IDS_PARSE_INT);
            return false;
        }
        if (read.frameSizeChoice == 1 && (*number < 1 || *number > kMaxFrameDimension)) {
            RejectField(this, field, IDS_PARSE_INT_RANGE, "1", QString::number(kMaxFrameDimension));
            return false;
        }
        *value = *number;
    }
    values_ = read;
    return true;
}

void VideoRenderingDialog::accept() {
    if (readControls()) {
        QDialog::accept();
    }
}

} // namespace zentar
