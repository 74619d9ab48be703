#include "options/SceneDetectionDialog.h"

#include "engine/ConversionSettings.h"
#include "options/DialogFields.h"
#include "options/HelpCommand.h"
#include "ui_SceneDetectionDialog.h"

#include <QFileDialog>

namespace zentar {

namespace {

constexpr double kMaxColourThreshold = 10.0;
constexpr double kMaxAdaptiveThreshold = 50.0;

QString Number(double value) {
    return QString::number(value, 'g', 6);
}

} // namespace

SceneDetectionDialog::SceneDetectionDialog(const SceneDetectionValues& values,
                                           double inputFrameRate, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::SceneDetectionDialog>()), values_(values),
      inputFrameRate_(inputFrameRate) {
    ui_->setupUi(this);
    InstallHelp(this, kHelpSceneDetection);
    ui_->methodList->setCurrentIndex(values_.method == 1 ? 1 : 0);
    ui_->hueField->setText(Number(values_.hueThreshold));
    ui_->satField->setText(Number(values_.satThreshold));
    ui_->valField->setText(Number(values_.valThreshold));
    ui_->adaptiveField->setText(Number(values_.adaptiveThreshold));
    ui_->minLengthField->setText(QString::number(values_.minSceneLength));
    ui_->flashGuardField->setText(QString::number(values_.flashGuard));
    ui_->fadesCheck->setChecked(values_.detectFades);
    ui_->logField->setText(QString::fromStdString(values_.scoreLogFileName));
    showSeconds();
    applyEnableState();

    connect(ui_->methodList, &QComboBox::currentIndexChanged, this, [this] { applyEnableState(); });
    connect(ui_->minLengthField, &QLineEdit::textChanged, this, [this] { showSeconds(); });
    connect(ui_->browseLogButton, &QPushButton::clicked, this, [this] { browseLog(); });
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { SendHelpCommand(); });
}

SceneDetectionDialog::~SceneDetectionDialog() = default;

// The thresholds of the method not chosen stay editable in the file only through here, so
// they are shown but greyed.
void SceneDetectionDialog::applyEnableState() {
    const bool quadrant = ui_->methodList->currentIndex() == 0;
    for (QWidget* widget :
         {static_cast<QWidget*>(ui_->hueField), static_cast<QWidget*>(ui_->satField),
          static_cast<QWidget*>(ui_->valField), static_cast<QWidget*>(ui_->hueLabel),
          static_cast<QWidget*>(ui_->satLabel), static_cast<QWidget*>(ui_->valLabel)}) {
        widget->setEnabled(quadrant);
    }
    ui_->adaptiveField->setEnabled(!quadrant);
    ui_->adaptiveLabel->setEnabled(!quadrant);
}

void SceneDetectionDialog::showSeconds() {
    const auto frames = ParseSignedField(ui_->minLengthField->text());
    if (inputFrameRate_ <= 0 || !frames || *frames < 0) {
        ui_->minLengthSeconds->clear();
        return;
    }
    ui_->minLengthSeconds->setText(QString("= %1 s at %2 frames/s")
                                       .arg(*frames / inputFrameRate_, 0, 'f', 2)
                                       .arg(inputFrameRate_, 0, 'g', 5));
}

void SceneDetectionDialog::browseLog() {
    const QString name = QFileDialog::getSaveFileName(this, "Score log", ui_->logField->text(),
                                                      "CSV files (*.csv);;All files (*)");
    if (!name.isEmpty()) {
        ui_->logField->setText(name);
    }
}

bool SceneDetectionDialog::readNumber(QLineEdit* field, double low, double high, double& value) {
    const auto number = ParseNumberField(field->text());
    if (!number || *number < low || *number > high) {
        RejectField(this, field, IDS_PARSE_REAL_RANGE, Number(low), Number(high));
        return false;
    }
    value = *number;
    return true;
}

bool SceneDetectionDialog::readInteger(QLineEdit* field, int low, int high, int& value) {
    const auto number = ParseSignedField(field->text());
    if (!number || *number < low || *number > high) {
        RejectField(this, field, IDS_PARSE_INT_RANGE, QString::number(low), QString::number(high));
        return false;
    }
    value = *number;
    return true;
}

void SceneDetectionDialog::accept() {
    SceneDetectionValues read = values_;
    read.method = ui_->methodList->currentIndex();
    if (!readNumber(ui_->hueField, 0, kMaxColourThreshold, read.hueThreshold) ||
        !readNumber(ui_->satField, 0, kMaxColourThreshold, read.satThreshold) ||
        !readNumber(ui_->valField, 0, kMaxColourThreshold, read.valThreshold) ||
        !readNumber(ui_->adaptiveField, 1, kMaxAdaptiveThreshold, read.adaptiveThreshold) ||
        !readInteger(ui_->minLengthField, 0, kMaxMinSceneLength, read.minSceneLength) ||
        !readInteger(ui_->flashGuardField, 0, kMaxFlashGuard, read.flashGuard)) {
        return;
    }
    read.detectFades = ui_->fadesCheck->isChecked();
    read.scoreLogFileName = ui_->logField->text().trimmed().toStdString();
    values_ = read;
    QDialog::accept();
}

} // namespace zentar
