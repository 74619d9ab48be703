// SceneDetectionDialog ("Scene detection"): the detector (the quadrant colour test with its
// three thresholds, or adaptive content with its threshold), the rules around it (minimum
// scene length, with its length in seconds when the input's frame rate is known; flash guard;
// fades) and the score log file with a browse button. OK checks every field and keeps the
// dialog open with a message on the first one outside its range; Cancel discards. The dialog
// works on its own copy of the values; the caller takes them back only after OK.
//
// User-interface thread only.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

class QLineEdit;

namespace Ui {
class SceneDetectionDialog;
}

namespace zentar {

struct SceneDetectionValues {
    int method = 0; // 0 quadrant colour test, 1 adaptive content
    double hueThreshold = 1.0;
    double satThreshold = 0.0;
    double valThreshold = 0.7;
    double adaptiveThreshold = 3.0;
    int minSceneLength = 0;
    int flashGuard = 0;
    bool detectFades = false;
    std::string scoreLogFileName;
};

class SceneDetectionDialog : public QDialog {
public:
    // inputFrameRate: the input's frames per second, 0 when unknown.
    SceneDetectionDialog(const SceneDetectionValues& values, double inputFrameRate,
                         QWidget* parent);
    ~SceneDetectionDialog() override;

    // OK: reads and checks every field; stays open on the first bad one.
    void accept() override;

    const SceneDetectionValues& values() const { return values_; }

private:
    bool readNumber(QLineEdit* field, double low, double high, double& value);
    bool readInteger(QLineEdit* field, int low, int high, int& value);
    void showSeconds();
    void applyEnableState();
    void browseLog();

    std::unique_ptr<Ui::SceneDetectionDialog> ui_;
    SceneDetectionValues values_;
    double inputFrameRate_;
};

} // namespace zentar
