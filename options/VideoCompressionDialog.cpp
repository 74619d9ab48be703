#include "options/VideoCompressionDialog.h"

#include "options/DialogFields.h"
#include "options/HelpCommand.h"
#include "resources/strings/StringTable.h"
#include "ui_VideoCompressionDialog.h"

#include <QRegularExpressionValidator>

#include <algorithm>
#include <limits>

namespace zentar {

namespace {

// The slider position for a stored quality 0..10000, rounded to the nearest hundredth; a
// larger stored value gives a position past the slider's end, shown only by the label.
int QualityValueFor(uint32_t quality) {
    const uint64_t value = (uint64_t{quality} + 50) / 100;
    return static_cast<int>(std::min<uint64_t>(value, std::numeric_limits<int>::max()));
}

} // namespace

VideoCompressionDialog::VideoCompressionDialog(VideoFormatRecord& options, std::string& name,
                                               QWidget* parent, VideoCompressorSource& source)
    : QDialog(parent), ui_(std::make_unique<Ui::VideoCompressionDialog>()), options_(options),
      name_(name), source_(source), selectedName_(name),
      qualityValue_(QualityValueFor(options.dwQuality)), keyFrameEvery_(options.dwKeyFrameEvery),
      dataRate_(options.dwBytesPerSecond),
      keyFrameCheck_((options.dwFlags & kCompressKeyFrames) != 0),
      dataRateCheck_((options.dwFlags & kCompressDataRate) != 0), openedWithName_(!name.empty()) {
    ui_->setupUi(this);
    InstallHelp(this, kHelpVideoCompression);
    auto* digitsOnly = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
    ui_->keyFrameField->setValidator(digitsOnly);
    ui_->dataRateField->setValidator(digitsOnly);

    std::vector<std::string> names = source_.names();
    names.push_back(LoadString(IDS_UNCOMPRESSED));
    AddSortedEntries(*ui_->compressorList, names);
    selectByPrefix();
    ui_->qualitySlider->setRange(0, 100);
    ui_->qualitySlider->setTickInterval(10);
    ui_->qualityValueLabel->setText(QString::number(qualityValue_));
    setControls();

    connect(ui_->compressorList, &QComboBox::activated, this, [this] { compressorChanged(); });
    connect(ui_->qualitySlider, &QSlider::valueChanged, this, [this](int position) {
        qualityValue_ = position;
        ui_->qualityValueLabel->setText(QString::number(qualityValue_));
    });
    connect(ui_->keyFrameCheck, &QCheckBox::clicked, this, [this] {
        readControls(false);
        updateNumberFields();
    });
    connect(ui_->dataRateCheck, &QCheckBox::clicked, this, [this] {
        readControls(false);
        updateNumberFields();
    });
    connect(ui_->configureButton, &QPushButton::clicked, this, [this] { configure(); });
    connect(ui_->aboutButton, &QPushButton::clicked, this, [this] { about(); });
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { SendHelpCommand(); });
}

VideoCompressionDialog::~VideoCompressionDialog() = default;

void VideoCompressionDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!changedOnce_) {
        changedOnce_ = true;
        compressorChanged();
    }
}

// The list's own prefix search (letter case ignored); the first entry when nothing matches.
void VideoCompressionDialog::selectByPrefix() {
    QComboBox& list = *ui_->compressorList;
    const int found = list.findText(QString::fromStdString(selectedName_), Qt::MatchStartsWith);
    list.setCurrentIndex(found >= 0 ? found : (list.count() > 0 ? 0 : -1));
}

void VideoCompressionDialog::setControls() {
    selectByPrefix();
    {
        // A stored quality past the end puts the slider at its end; the label keeps the
        // computed number until the slider moves.
        const QSignalBlocker quiet(ui_->qualitySlider);
        ui_->qualitySlider->setValue(std::min(qualityValue_, 100));
    }
    ui_->keyFrameCheck->setChecked(keyFrameCheck_);
    ui_->dataRateCheck->setChecked(dataRateCheck_);
    ui_->keyFrameField->setText(QString::number(keyFrameEvery_));
    ui_->dataRateField->setText(QString::number(dataRate_));
    updateNumberFields();
}

void VideoCompressionDialog::updateNumberFields() {
    ui_->keyFrameField->setEnabled(keyFrameCheck_);
    ui_->dataRateField->setEnabled(dataRateCheck_);
}

bool VideoCompressionDialog::readControls(bool rejectBadFields) {
    selectedName_ = ui_->compressorList->currentText().toStdString();
    qualityValue_ = ui_->qualitySlider->value();
    keyFrameCheck_ = ui_->keyFrameCheck->isChecked();
    dataRateCheck_ = ui_->dataRateCheck->isChecked();
    for (auto [field, value] : {std::pair{ui_->keyFrameField, &keyFrameEvery_},
                                std::pair{ui_->dataRateField, &dataRate_}}) {
        if (const auto number = ParseUnsignedField(field->text())) {
            *value = *number;
        } else if (rejectBadFields) {
            RejectField(this, field, IDS_PARSE_UINT);
            return false;
        }
    }
    return true;
}

void VideoCompressionDialog::compressorChanged() {
    readControls(false);
    // Nothing to configure until a compressor has answered; a failed creation leaves both off.
    ui_->configureButton->setEnabled(false);
    ui_->aboutButton->setEnabled(false);
    vfwDialogMode_ = false;
    propertyPageMode_ = false;
    if (selectedName_ == LoadString(IDS_UNCOMPRESSED)) {
        return;
    }
    std::unique_ptr<ChosenVideoCompressor> filter = source_.create(selectedName_);
    if (filter->hasCompressDialogs()) {
        vfwDialogMode_ = filter->queryConfigDialog(this);
        ui_->configureButton->setEnabled(vfwDialogMode_);
        ui_->aboutButton->setEnabled(filter->queryAboutDialog(this));
    } else {
        propertyPageMode_ = filter->hasPropertyPages();
        ui_->configureButton->setEnabled(propertyPageMode_);
    }
}

// What the user configures stays with the compressor (a shared instance, or what the
// compressor keeps by itself); the dialog keeps only the encoder preset, for the settings.
void VideoCompressionDialog::configure() {
    std::unique_ptr<ChosenVideoCompressor> filter = source_.create(selectedName_);
    if (vfwDialogMode_) {
        filter->setPreset(preset_);
        filter->showConfigDialog(this);
        preset_ = filter->preset();
    } else if (propertyPageMode_) {
        filter->showPropertyPages(this);
    }
}

void VideoCompressionDialog::about() {
    std::unique_ptr<ChosenVideoCompressor> filter = source_.create(selectedName_);
    if (filter->hasCompressDialogs()) {
        filter->showAboutDialog(this);
    }
}

void VideoCompressionDialog::accept() {
    if (!readControls(true)) {
        return;
    }
    name_ = selectedName_;
    options_.dwKeyFrameEvery = keyFrameEvery_;
    options_.dwBytesPerSecond = dataRate_;
    options_.dwQuality = static_cast<uint32_t>(qualityValue_) * 100;
    options_.dwFlags =
        (keyFrameCheck_ ? kCompressKeyFrames : 0u) | (dataRateCheck_ ? kCompressDataRate : 0u);
    if (presetTarget_)
        *presetTarget_ = preset_;
    QDialog::accept();
}

void VideoCompressionDialog::reject() {
    if (openedWithName_) {
        name_ = selectedName_;
    }
    QDialog::reject();
}

} // namespace zentar
