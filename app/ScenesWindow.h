// ScenesWindow: the list of a run's scenes, opened from the main window's "Scenes (N)" button
// (or by itself at the end of a run when ShowScenes is set). One row a scene: a thumbnail of
// its first frame, the first frame's index, its timecode (hh:mm:ss.ff at the input's rate)
// and seconds, its length in frames, the score that cut it and the clip file it went to.
// Double-clicking a row plays the clip with the desktop's player, or, without a clip, shows
// the frame large. Three buttons export the list as CSV, as a CMX 3600 EDL and as a contact
// sheet (the same writers the command line uses), each through a save dialog.
//
// The window copies what it shows from the SceneRecord (showRecord), so the record may be
// emptied by the next run while the window stays open. Owned by the main window (its Qt
// parent); user-interface thread only.
#pragma once

#include "engine/SceneRecord.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QTableWidget;

namespace zentar {

class ScenesWindow : public QDialog {
public:
    // showScenes: the setting "open at the end of every run" that the check box edits.
    ScenesWindow(QWidget* parent, int* showScenes);

    // Shows the record's scenes; inputName names the input in the lists' titles.
    void showRecord(const SceneRecord& record, const std::string& inputName);

    // The exports behind the buttons, without their save dialogs; false (with the reason
    // shown in the window's message line) when the file could not be written.
    bool exportCuts(const std::string& path);
    bool exportEdl(const std::string& path);
    bool exportContactSheet(const std::string& path);

    int sceneCount() const;
    QTableWidget* table() const { return table_; }
    QString message() const;

private:
    bool attempt(const std::string& path, const std::function<void()>& write);
    void browseAndExport(const QString& extension, const QString& filter,
                         bool (ScenesWindow::*exporter)(const std::string&));
    void openScene(int row);

    SceneRecord record_; // the copy shown
    std::string inputName_;
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* message_ = nullptr;
    QCheckBox* openAtEnd_ = nullptr;
};

} // namespace zentar
