// ConverterDialog (placeholder): the main window until the real one replaces this file.
// It owns the conversion settings, loading them from the application's INI file when it
// is constructed and saving them when it is destroyed, and shows a read-only status box.
//
// ConverterApp relies on this interface, which the real window must keep:
//   ConverterDialog(std::string iniPath, QWidget* parent)  loads the settings;
//   ~ConverterDialog()                                     saves them;
//   StopRun()                  stops and cleans up a conversion (harmless when none runs);
//   setErrorShown(bool)        the flag that keeps an error message in the status box;
//   SetStatusText(text, redrawNow)  sets the status box, repainting at once when asked.
// User-interface thread only.
#pragma once

#include "engine/ConversionSettings.h"

#include <QDialog>

#include <string>

class QPlainTextEdit;

namespace zentar {

class ConverterDialog : public QDialog {
public:
    explicit ConverterDialog(std::string iniPath, QWidget* parent = nullptr);
    ~ConverterDialog() override;

    void StopRun();
    void setErrorShown(bool shown) { errorShown_ = shown; }
    bool errorShown() const { return errorShown_; }
    void SetStatusText(const std::string& text, bool redrawNow);
    std::string statusText() const;

    ConversionSettings& settings() { return settings_; }

private:
    ConversionSettings settings_;
    QPlainTextEdit* statusBox_ = nullptr; // child of the dialog
    bool errorShown_ = false;
};

} // namespace zentar
