// ConverterDialog: the program's main window. It owns the conversion settings, shows them
// in its controls (built from resources/ConverterDialog.ui), keeps the file, compressor,
// profile and clip-splitting lists, and drives a conversion run (ConversionRun, which it
// owns and serves as its RunHost) from Start and Stop and from an idle hook: a
// zero-interval timer that runs while a run is active and performs one step of the run
// whenever the event queue is empty, so the window stays responsive. Settings are loaded
// when the window initialises and saved when it is destroyed. The About command sits in
// the window's context menu.
//
// Failures of the run are thrown as CMyException out of the handler that caused them; the
// application's event dispatch reports them through StopRun, setErrorShown and
// SetStatusText. Everything runs on the user-interface thread.
#pragma once

#include "app/PreviewRenderer.h"
#include "engine/ConversionRun.h"
#include "engine/ConversionSettings.h"
#include "engine/RunHost.h"
#include "resources/strings/StringTable.h"

#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QComboBox;

namespace Ui {
class ConverterDialog;
}

namespace zentar {

class ClosedListGuard;
class HistoryComboBox;
class PreviewWidget;
class ScenesWindow;
class WinMediaLibrary;

class ConverterDialog : public QDialog, public RunHost {
public:
    // Private window messages, delivered as posted events.
    static constexpr QEvent::Type UM_SET_LIST_TEXT =
        static_cast<QEvent::Type>(QEvent::User + 0x0601);
    static constexpr QEvent::Type UM_SHOW_ABOUT = static_cast<QEvent::Type>(QEvent::User + 0x0602);

    // Sources of the names the lists offer. Empty members take the installed
    // compressors and the writer library's profiles; tests may give names of
    // their own.
    struct ListSources {
        std::function<std::vector<std::string>()> videoCompressors;
        std::function<std::vector<std::string>()> audioCompressors;
        std::function<std::vector<std::string>()> mediaProfiles;
    };

    // Loads the settings from iniPath and initialises the controls; posts
    // UM_SHOW_ABOUT.
    explicit ConverterDialog(std::string iniPath, ListSources sources = {},
                             QWidget* parent = nullptr);
    ~ConverterDialog() override; // closes the help window, saves the settings

    ConversionSettings& settings() { return settings_; }
    const ConversionSettings& settings() const { return settings_; }
    bool running() const { return run_->running; }
    bool errorShown() const { return run_->errorShown; }
    void setErrorShown(bool shown) { run_->errorShown = shown; }
    const ConversionRun& run() const { return *run_; }

    // The control with the given resource id (1 Start, 2 Stop, 1000 input list,
    // ...).
    QWidget* control(int id) const;

    // Enable rules of the idle (false) or running (true) state.
    void UpdateControlState(bool running);
    void exchangeToControls();
    void exchangeFromControls();

    // Status box: set the text, repainting at once when redrawNow.
    void SetStatusText(const std::string& text, bool redrawNow) override;
    void SetStatusText(uint32_t stringId, bool redrawNow);
    std::string statusText() const;

    // Winds down and frees everything of the current run; harmless when none
    // runs.
    void StopRun();

    // The preview of a run: resources sized for the output frame, a letterbox for the
    // input's aspect in the preview area, and one picture per step (only while "Show
    // preview" is checked), which also draws the statistics line into the frame.
    void CreatePreview(int outputWidth, int outputHeight, int inputWidth, int inputHeight) override;
    void DrawPreview(uint8_t* frame, size_t frameBytes, const std::string& statisticsText) override;
    void DestroyPreview() override;
    bool WantPreview() const override { return settings_.WantPreview != 0; }

    // The rest of what the run needs from the window: the wait cursor, the preview area
    // emptied, and the controls' running or idle state.
    void BeginWait() override;
    void EndWait() override;
    void ClearPreviewArea() override;
    void SetControlsRunning(bool running) override { UpdateControlState(running); }
    const PreviewRenderer& preview() const { return preview_; }
    // Whether windows created from now on show the About box when they open (true unless a
    // test that drives the window without a user switches it off).
    static void SetAboutAtStart(bool show);

    // True while the idle hook is armed.
    bool idleHookActive() const { return idleTimer_.isActive(); }

    // Makes `path` the input file, as a pick from "Browse..." does (a file named on the
    // command line, or dropped onto the window). Ignored while a run is going on.
    void OpenInputFile(const QString& path);

    // The Scenes window of the last run, opened from the "Scenes (N)" button (or by itself
    // at the end of a run with ShowScenes); null until first opened.
    ScenesWindow* scenesWindow() const;
    void OnScenes();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Esc and Stop
    void accept() override; // Enter reaches Start through the default button only
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class SetListTextEvent;

    void initialise(const ListSources& sources);
    void buildControlTable();
    void connectHandlers();
    void fillCompressorList(HistoryComboBox& list, const std::vector<std::string>& names,
                            bool withUncompressed, StringId advancedId);
    void emptyStatus() { SetStatusText(std::string(), false); }
    void setFrameLookEnabled(int id, bool enabled);

    // Commands.
    void OnStart();
    void OnStop();
    void stopRunning();
    bool ConfirmCancel();
    void OnIdle();
    // The score strip and the Scenes button follow the run (about 20 times a second).
    void refreshScenes();
    // After a run: the last refresh, and the Scenes window updated or opened.
    void runEnded(bool mayOpenScenes);
    void OnKeepSettings();
    void OnVideoRendering();
    void OnAudioRendering();
    void OnShowPreview();
    void OnInputSelected();
    void OnOutputSelected();
    void OnOutputTypeSelected();
    void FitCompressorsToType();
    void OnClipModeSelected();
    void OnCompressorSelected(HistoryComboBox& list, bool video);
    void OnProfileSelected();
    void UpdateProjectEntry();
    void ShowAbout();
    void postListText(QComboBox* list, const QString& text);

    std::unique_ptr<Ui::ConverterDialog> ui_;
    ConversionSettings settings_;
    std::shared_ptr<WinMediaLibrary> winMedia_; // loaded for the window's lifetime
    std::map<int, QWidget*> controls_;
    // The conversion run, driven by the idle hook; it holds the running and errorShown
    // flags of the window.
    std::unique_ptr<ConversionRun> run_;
    int waitDepth_ = 0;
    QTimer idleTimer_;
    QTimer scenesTimer_; // refreshes the score strip and the Scenes button while running
    QPointer<ScenesWindow> scenesWindow_; // a child of the window
    PreviewRenderer preview_;
    ClosedListGuard* listGuard_ = nullptr; // a child of the window
};

} // namespace zentar
