#include "platform/ui/CompressorDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSlider>
#include <QSpinBox>
#include <QString>
#include <QVBoxLayout>

#include <cmath>

namespace zentar {

namespace {

QWidget* asWidget(void* parentWindow) {
    return static_cast<QWidget*>(parentWindow);
}

} // namespace

bool QtCompressorDialogHost::showConfigDialog(void* parentWindow, const CompressorInfo& compressor,
                                              CompressorDialogSettings& settings) {
    QDialog dialog(asWidget(parentWindow));
    dialog.setObjectName("compressorConfigDialog");
    dialog.setWindowTitle(QString::fromUtf8(compressor.friendlyName.c_str()) + " settings");
    auto* form = new QFormLayout;
    auto* quality = new QSlider(Qt::Horizontal);
    quality->setObjectName("quality");
    quality->setRange(0, 100);
    quality->setTickInterval(10);
    quality->setTickPosition(QSlider::TicksBelow);
    quality->setValue(static_cast<int>(std::lround(settings.quality * 100)));
    quality->setEnabled(settings.canQuality);
    auto* qualityValue = new QLabel(QString::number(quality->value()));
    QObject::connect(quality, &QSlider::valueChanged, qualityValue,
                     [qualityValue](int value) { qualityValue->setNum(value); });
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(quality);
    qualityRow->addWidget(qualityValue);
    form->addRow("&Quality:", qualityRow);
    auto* keyFrames = new QSpinBox;
    keyFrames->setObjectName("keyFrames");
    keyFrames->setRange(0, 9999);
    keyFrames->setSpecialValueText("Encoder default");
    keyFrames->setSuffix(" frames");
    keyFrames->setValue(settings.keyFrameRate);
    keyFrames->setEnabled(settings.canKeyFrame);
    form->addRow("&Key frame every:", keyFrames);
    QComboBox* preset = nullptr;
    if (!settings.presets.empty()) {
        preset = new QComboBox;
        preset->setObjectName("preset");
        preset->addItem("Encoder default");
        for (const std::string& name : settings.presets)
            preset->addItem(QString::fromStdString(name));
        const int current = preset->findText(QString::fromStdString(settings.preset));
        preset->setCurrentIndex(current > 0 ? current : 0);
        form->addRow("&Preset:", preset);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings.quality = quality->value() / 100.0;
    settings.keyFrameRate = keyFrames->value();
    if (preset)
        settings.preset = preset->currentIndex() > 0 ? preset->currentText().toStdString() : "";
    return true;
}

void QtCompressorDialogHost::showAboutDialog(void* parentWindow, const CompressorInfo& compressor) {
    const QString name = QString::fromUtf8(compressor.friendlyName.c_str());
    const QString text =
        QString("<b>%1</b><p>Compresses with the %2 encoder of the FFmpeg libraries.</p>")
            .arg(name.toHtmlEscaped(), QString::fromUtf8(compressor.encoderName.c_str()));
    QMessageBox box(QMessageBox::Information, "About " + name, text, QMessageBox::Ok,
                    asWidget(parentWindow));
    box.setObjectName("compressorAboutBox");
    box.exec();
}

void InstallQtCompressorDialogs() {
    static QtCompressorDialogHost host;
    InstallCompressorDialogHost(&host);
}

} // namespace zentar
