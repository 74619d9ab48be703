// AboutBox: names the program and its version, lists what it does and points to the
// Frameloom editor. A plain modal dialog with no state; shown by the main window when it
// opens and again from its context menu. User-interface thread only.
#pragma once

#include <QDialog>

namespace zentar {

class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* parent = nullptr);

    static constexpr const char* kCaption = "About Zentar Video Converter";
    static constexpr const char* kVersionLine = "Zentar Video Converter v. 1.1";
    static constexpr const char* kFeatures = "- Convert to and between AVI and WMV\n"
                                             "- Change fps, frame size, and compression\n"
                                             "- Split by episodes and export clips or "
                                             "Frameloom project";
};

// The program icon (several sizes) from the program's resources.
QIcon ProgramIcon();

} // namespace zentar
