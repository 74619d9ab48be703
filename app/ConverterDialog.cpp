#include "app/ConverterDialog.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace zentar {

ConverterDialog::ConverterDialog(std::string iniPath, QWidget* parent)
    : QDialog(parent), settings_(std::move(iniPath)) {
    setWindowTitle(QStringLiteral("Zentar Video Converter"));
    statusBox_ = new QPlainTextEdit(this);
    statusBox_->setObjectName(QStringLiteral("statusBox"));
    statusBox_->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(statusBox_);
    settings_.reset_binary_records();
    settings_.load_settings();
}

ConverterDialog::~ConverterDialog() {
    // Write errors are not reported: the program ends normally and the old file stays.
    settings_.save_settings();
}

void ConverterDialog::StopRun() {
    // No conversion runs in this window yet; stopping is always harmless.
}

void ConverterDialog::SetStatusText(const std::string& text, bool redrawNow) {
    statusBox_->setPlainText(QString::fromStdString(text));
    if (redrawNow)
        statusBox_->repaint();
}

std::string ConverterDialog::statusText() const {
    return statusBox_->toPlainText().toStdString();
}

} // namespace zentar
