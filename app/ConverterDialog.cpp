#include "app/ConverterDialog.h"

#include "app/AboutBox.h"
#include "app/ClosedListGuard.h"
#include "app/FileBrowser.h"
#include "app/FileNames.h"
#include "app/HelpViewer.h"
#include "app/PreviewWidget.h"
#include "app/ScenesWindow.h"
#include "app/ScoreStrip.h"
#include "options/CompressorNames.h"
#include "options/HelpCommand.h"
#include "options/HistoryComboBox.h"
#include "options/OptionExchanges.h"
#include "options/WaitCursor.h"
#include "platform/media/OutputContainer.h"
#include "resources/strings/StringTable.h"
#include "ui_ConverterDialog.h"
#include "wmout/WinMediaFileWriter.h"
#include "wmout/WinMediaProfiles.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>

#include <algorithm>
#include <filesystem>

namespace zentar {

namespace {

constexpr const char* kInitializing = "Initializing... please wait.";
constexpr const char* kStopping = "Stopping... please wait.";
constexpr const char* kReallyCancel = "Conversion in progress. Really cancel?";
constexpr int kProjectEntry = 2;
constexpr int kBrowseProjectEntry = 3;

bool aboutAtStart = true;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString loadText(uint32_t id) {
    return qs(LoadString(id));
}

// The one local file a drag carries, or an empty string.
QString droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QUrl& url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

// Holds the idle hook while a modal box of the window is open: its own event loop would
// otherwise keep stepping the run behind the question the user is answering.
class IdlePause {
public:
    explicit IdlePause(QTimer& timer) : timer_(timer), wasActive_(timer.isActive()) {
        timer_.stop();
    }
    ~IdlePause() {
        if (wasActive_) {
            timer_.start();
        }
    }
    IdlePause(const IdlePause&) = delete;
    IdlePause& operator=(const IdlePause&) = delete;

private:
    QTimer& timer_;
    bool wasActive_;
};

} // namespace

class ConverterDialog::SetListTextEvent : public QEvent {
public:
    SetListTextEvent(QComboBox* list, QString text)
        : QEvent(UM_SET_LIST_TEXT), list(list), text(std::move(text)) {}
    QPointer<QComboBox> list;
    QString text;
};

ConverterDialog::ConverterDialog(std::string iniPath, ListSources sources, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ConverterDialog>()), settings_(std::move(iniPath)),
      winMedia_(std::make_shared<WinMediaLibrary>()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // One tab stop just past the longest statistics label keeps the values in a column.
    ui_->statusBox->setTabStopDistance(
        ui_->statusBox->fontMetrics().horizontalAdvance(" Frames processed") + 8);
    buildControlTable();
    // The clip-splitting label is never disabled; its own text colours keep the look of a
    // running frame's caption from reaching it (see setFrameLookEnabled).
    QPalette labelPalette = ui_->clipModeLabel->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        labelPalette.setColor(group, QPalette::WindowText,
                              labelPalette.color(group, QPalette::WindowText));
    }
    ui_->clipModeLabel->setPalette(labelPalette);
    RunServices services;
    services.wmvWriters = MakeWinMediaWriterFactory(winMedia_);
    services.resolveProfile = [library = winMedia_](const std::string& setting) {
        return resolve_profile(*library, setting);
    };
    run_ = std::make_unique<ConversionRun>(settings_, *this, std::move(services));
    idleTimer_.setInterval(0);
    connect(&idleTimer_, &QTimer::timeout, this, [this] { OnIdle(); });
    ui_->scoreStrip->setRecord(&run_->scenes());
    scenesTimer_.setInterval(50);
    connect(&scenesTimer_, &QTimer::timeout, this, [this] { refreshScenes(); });
    initialise(sources);
    connectHandlers();
    setAcceptDrops(true);
}

ConverterDialog::~ConverterDialog() {
    idleTimer_.stop();
    scenesTimer_.stop();
    ui_->scoreStrip->setRecord(nullptr); // the record goes with the run
    run_.reset();                        // while the preview area it draws into still exists
    SetHelpHandler(nullptr, nullptr);
    HelpViewer::CloseHelp();
    settings_.save_settings();
}

void ConverterDialog::buildControlTable() {
    Ui::ConverterDialog& u = *ui_;
    controls_ = {
        {1, u.startButton},
        {2, u.stopButton},
        {57665, u.exitButton},
        {57670, u.helpButton},
        {1023, u.filesGroup},
        {1021, u.inputFileLabel},
        {1000, u.inputFileList},
        {1022, u.outputFileLabel},
        {1003, u.outputFileList},
        {1081, u.outputTypeLabel},
        {1080, u.outputTypeList},
        {1084, u.renderingGroup},
        {1049, u.keepParametersCheck},
        {1072, u.videoRenderingButton},
        {1073, u.audioRenderingButton},
        {1068, u.clipModeList},
        {1024, u.compressionGroup},
        {1025, u.videoCompressorLabel},
        {1012, u.videoCompressorList},
        {1026, u.audioCompressorLabel},
        {1014, u.audioCompressorList},
        {1071, u.profileLabel},
        {1070, u.profileList},
        {1069, u.previewArea},
        {1017, u.statusBox},
        {1082, u.showPreviewCheck},
    };
}

QWidget* ConverterDialog::control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

// Initialisation in the order the window has always followed: settings,
// controls, menu and icon, then the lists, the control state, and the About box
// once the loop runs.
void ConverterDialog::initialise(const ListSources& sources) {
    Ui::ConverterDialog& u = *ui_;
    settings_.reset_binary_records();
    settings_.load_settings();
    exchangeToControls();

    const QString about = loadText(IDS_ABOUTBOX);
    if (!about.isEmpty()) {
        auto* separator = new QAction(this);
        separator->setSeparator(true);
        auto* showAbout = new QAction(about, this);
        showAbout->setObjectName("aboutAction");
        connect(showAbout, &QAction::triggered, this, [this] { ShowAbout(); });
        addAction(separator);
        addAction(showAbout);
        setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    setWindowIcon(ProgramIcon());

    for (HistoryComboBox* files : {u.inputFileList, u.outputFileList}) {
        files->add_fixed(files == u.inputFileList ? IDS_BROWSE_INPUT : IDS_BROWSE_OUTPUT);
        files->set_limits(10, 1);
        files->select_or_push(files->current());
    }
    fillCompressorList(*u.videoCompressorList,
                       sources.videoCompressors
                           ? sources.videoCompressors()
                           : InstalledCompressorNames(CompressorCategory::Video),
                       true, IDS_VIDEO_ADVANCED);
    fillCompressorList(*u.audioCompressorList,
                       sources.audioCompressors
                           ? sources.audioCompressors()
                           : InstalledCompressorNames(CompressorCategory::Audio),
                       false, IDS_AUDIO_ADVANCED);

    const std::vector<std::string> profiles =
        sources.mediaProfiles ? sources.mediaProfiles() : list_profiles(*winMedia_);
    for (const std::string& name : profiles) {
        u.profileList->appendKeepingSelection(qs(name));
    }
    u.profileList->add_fixed(IDS_BROWSE_PROFILES);
    u.profileList->set_limits(0, 1);
    u.profileList->setTextWithoutSelection(qs(profileDisplayName(settings_.MediaProfile)));

    u.clipModeList->set_limits(0, 0);
    UpdateProjectEntry();

    SetHelpHandler([](QWidget* dialog, uint32_t topic) { HelpViewer::ShowTopic(dialog, topic); },
                   this);
    InstallHelp(this, kHelpMainWindow);

    UpdateControlState(false);
    if (aboutAtStart) {
        QCoreApplication::postEvent(this, new QEvent(UM_SHOW_ABOUT));
    }
}

void ConverterDialog::SetAboutAtStart(bool show) {
    aboutAtStart = show;
}

// Names in enumeration order (an unreadable name is an empty entry),
// "<Uncompressed>" for video, sorted by character code, then the "Advanced..."
// command last.
void ConverterDialog::fillCompressorList(HistoryComboBox& list,
                                         const std::vector<std::string>& names,
                                         bool withUncompressed, StringId advancedId) {
    for (const std::string& name : names) {
        list.appendKeepingSelection(qs(name));
    }
    if (withUncompressed) {
        list.appendKeepingSelection(loadText(IDS_UNCOMPRESSED));
    }
    sort_combo_entries(list);
    list.add_fixed(advancedId);
    list.set_limits(0, 1);
}

void ConverterDialog::connectHandlers() {
    Ui::ConverterDialog& u = *ui_;
    listGuard_ = new ClosedListGuard(this);
    // Every command first empties the status text; these connections come before
    // the handlers' own, so they run first.
    for (QAbstractButton* button :
         {static_cast<QAbstractButton*>(u.startButton), static_cast<QAbstractButton*>(u.stopButton),
          static_cast<QAbstractButton*>(u.exitButton), static_cast<QAbstractButton*>(u.helpButton),
          static_cast<QAbstractButton*>(u.keepParametersCheck),
          static_cast<QAbstractButton*>(u.videoRenderingButton),
          static_cast<QAbstractButton*>(u.audioRenderingButton),
          static_cast<QAbstractButton*>(u.detectionButton),
          static_cast<QAbstractButton*>(u.showPreviewCheck)}) {
        connect(button, &QAbstractButton::clicked, this, [this] { emptyStatus(); });
    }
    for (QComboBox* list :
         {static_cast<QComboBox*>(u.inputFileList), static_cast<QComboBox*>(u.outputFileList),
          u.outputTypeList, static_cast<QComboBox*>(u.clipModeList),
          static_cast<QComboBox*>(u.videoCompressorList),
          static_cast<QComboBox*>(u.audioCompressorList), static_cast<QComboBox*>(u.profileList)}) {
        connect(list, &QComboBox::activated, this, [this] { emptyStatus(); });
        if (QLineEdit* edit = list->lineEdit()) {
            connect(edit, &QLineEdit::textEdited, this, [this] { emptyStatus(); });
            edit->setAcceptDrops(false); // a dropped file is the window's, not a text
        }
        listGuard_->guard(list);
    }

    connect(u.startButton, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(u.stopButton, &QPushButton::clicked, this, [this] { OnStop(); });
    connect(u.exitButton, &QPushButton::clicked, this, [this] { close(); });
    connect(u.helpButton, &QPushButton::clicked, this, [] { SendHelpCommand(); });
    connect(u.keepParametersCheck, &QCheckBox::clicked, this, [this] { OnKeepSettings(); });
    connect(u.videoRenderingButton, &QPushButton::clicked, this, [this] { OnVideoRendering(); });
    connect(u.audioRenderingButton, &QPushButton::clicked, this, [this] { OnAudioRendering(); });
    connect(u.detectionButton, &QPushButton::clicked, this, [this] {
        RunSceneDetectionExchange(this, settings_, ui_->inputFileList->currentText());
    });
    connect(u.showPreviewCheck, &QCheckBox::clicked, this, [this] { OnShowPreview(); });
    connect(u.scenesButton, &QPushButton::clicked, this, [this] { OnScenes(); });
    connect(u.inputFileList, &QComboBox::activated, this, [this] { OnInputSelected(); });
    connect(u.outputFileList, &QComboBox::activated, this, [this] { OnOutputSelected(); });
    connect(u.outputTypeList, &QComboBox::activated, this, [this] { OnOutputTypeSelected(); });
    connect(u.clipModeList, &QComboBox::activated, this, [this] { OnClipModeSelected(); });
    connect(u.videoCompressorList, &QComboBox::activated, this,
            [this] { OnCompressorSelected(*ui_->videoCompressorList, true); });
    connect(u.audioCompressorList, &QComboBox::activated, this,
            [this] { OnCompressorSelected(*ui_->audioCompressorList, false); });
    connect(u.profileList, &QComboBox::activated, this, [this] { OnProfileSelected(); });
}

// The same order in both directions: texts of the audio compressor, input,
// output and video compressor lists; the two check boxes; the output type and
// clip mode indices.
void ConverterDialog::exchangeToControls() {
    Ui::ConverterDialog& u = *ui_;
    u.audioCompressorList->setTextWithoutSelection(qs(settings_.AudioCodec));
    u.inputFileList->setTextWithoutSelection(qs(settings_.SrcFileName));
    u.outputFileList->setTextWithoutSelection(qs(settings_.DstFileName));
    u.videoCompressorList->setTextWithoutSelection(qs(settings_.VideoCodec));
    u.keepParametersCheck->setChecked(settings_.KeepSettings != 0);
    u.showPreviewCheck->setChecked(settings_.WantPreview != 0);
    u.scoreStrip->setVisible(settings_.WantPreview != 0);
    const auto selectIndex = [](QComboBox& list, int index) {
        list.setCurrentIndex(index >= 0 && index < list.count() ? index : -1);
    };
    selectIndex(*u.outputTypeList, settings_.DstFileType);
    selectIndex(*u.clipModeList, settings_.SceneDetection);
}

void ConverterDialog::exchangeFromControls() {
    Ui::ConverterDialog& u = *ui_;
    settings_.AudioCodec = u.audioCompressorList->currentText().toStdString();
    settings_.SrcFileName = u.inputFileList->currentText().toStdString();
    settings_.DstFileName = u.outputFileList->currentText().toStdString();
    settings_.VideoCodec = u.videoCompressorList->currentText().toStdString();
    settings_.KeepSettings = u.keepParametersCheck->isChecked() ? 1 : 0;
    settings_.WantPreview = u.showPreviewCheck->isChecked() ? 1 : 0;
    settings_.DstFileType = u.outputTypeList->currentIndex();
    settings_.SceneDetection = u.clipModeList->currentIndex();
    // The names used for a run move to the top of their histories.
    u.inputFileList->select_or_push(qs(settings_.SrcFileName));
    u.outputFileList->select_or_push(qs(settings_.DstFileName));
}

void ConverterDialog::UpdateControlState(bool running) {
    for (int id : {1021, 1000, 1022, 1003, 1081, 1080, 1068, 1049, 1072, 1073, 1026, 1014, 1025,
                   1012, 1071, 1070, 1}) {
        control(id)->setEnabled(!running);
    }
    for (int id : {1023, 1084, 1024}) {
        setFrameLookEnabled(id, !running);
    }
    control(2)->setEnabled(running);
    if (running) {
        control(2)->setFocus();
        return;
    }
    const bool custom = settings_.KeepSettings == 0;
    control(1072)->setEnabled(custom);
    control(1073)->setEnabled(custom);
    const bool wmv = settings_.DstFileType == 1;
    for (int id : {1012, 1025, 1014, 1026}) {
        control(id)->setEnabled(!wmv);
    }
    for (int id : {1070, 1071}) {
        control(id)->setEnabled(wmv);
    }
    // The "Files" frame takes no focus itself; its first control does.
    control(1000)->setFocus();
}

// A disabled Qt group box disables everything inside it, but the clip-splitting label must
// stay enabled during a run. So the frames only look disabled: their captions take the
// disabled text colour, and the controls inside are disabled one by one. The label keeps
// its own text colours, so the frame's do not reach it.
void ConverterDialog::setFrameLookEnabled(int id, bool enabled) {
    auto* frame = static_cast<QGroupBox*>(control(id));
    QPalette palette = frame->parentWidget()->palette();
    if (!enabled) {
        const QColor disabled = palette.color(QPalette::Disabled, QPalette::WindowText);
        palette.setColor(QPalette::Active, QPalette::WindowText, disabled);
        palette.setColor(QPalette::Inactive, QPalette::WindowText, disabled);
    }
    frame->setPalette(palette);
    frame->setProperty("lookDisabled", !enabled);
}

void ConverterDialog::SetStatusText(const std::string& text, bool redrawNow) {
    QString shown = qs(text);
    shown.replace("\r\n", "\n");
    ui_->statusBox->setPlainText(shown);
    if (redrawNow) {
        ui_->statusBox->viewport()->repaint();
    }
}

void ConverterDialog::SetStatusText(uint32_t stringId, bool redrawNow) {
    SetStatusText(LoadString(stringId), redrawNow);
}

std::string ConverterDialog::statusText() const {
    return ui_->statusBox->toPlainText().toStdString();
}

bool ConverterDialog::event(QEvent* event) {
    if (event->type() == UM_SET_LIST_TEXT) {
        auto* request = static_cast<SetListTextEvent*>(event);
        if (request->list) {
            request->list->setCurrentIndex(-1);
            request->list->setEditText(request->text);
        }
        return true;
    }
    if (event->type() == UM_SHOW_ABOUT) {
        ShowAbout();
        return true;
    }
    return QDialog::event(event);
}

void ConverterDialog::postListText(QComboBox* list, const QString& text) {
    QCoreApplication::postEvent(this, new SetListTextEvent(list, text));
}

void ConverterDialog::ShowAbout() {
    const IdlePause pause(idleTimer_);
    AboutBox about(this);
    about.exec();
}

// ---- Start, Stop, close and the idle hook ----

void ConverterDialog::OnStart() {
    WaitCursor wait;
    SetStatusText(kInitializing, true);
    exchangeFromControls();
    run_->StartRun();
    UpdateControlState(true);
    run_->running = true;
    idleTimer_.start();
    scenesTimer_.start();
    refreshScenes();
}

bool ConverterDialog::ConfirmCancel() {
    if (!run_->running) {
        return true;
    }
    const IdlePause pause(idleTimer_);
    return QMessageBox::question(this, windowTitle(), kReallyCancel,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void ConverterDialog::OnStop() {
    if (!ConfirmCancel()) {
        return;
    }
    {
        WaitCursor wait;
        ui_->previewArea->blank();
        stopRunning();
    }
    runEnded(true);
}

// The common part of Stop and closing: the outputs are finished first, so that a failure to
// complete them is reported like any other; then the run is freed and the window idle.
void ConverterDialog::stopRunning() {
    SetStatusText(kStopping, true);
    run_->FinishOutputs();
    StopRun();
    UpdateControlState(false);
    SetStatusText(std::string(), false);
    run_->running = false;
    idleTimer_.stop();
    scenesTimer_.stop();
}

void ConverterDialog::reject() {
    emptyStatus(); // Esc is the Stop command
    OnStop();
}

void ConverterDialog::accept() {
    // Enter is handled by the default button (Start); nothing else accepts the window.
}

void ConverterDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (!run_->running && !droppedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void ConverterDialog::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (run_->running || path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    OpenInputFile(path);
}

void ConverterDialog::OpenInputFile(const QString& path) {
    if (run_->running || path.isEmpty()) {
        return;
    }
    emptyStatus();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    ui_->inputFileList->select_or_push(absolute);
    settings_.SrcFileName = absolute.toStdString();
}

void ConverterDialog::closeEvent(QCloseEvent* event) {
    // Refused until the run is stopped: a failure to finish the outputs leaves the window
    // open with its message.
    event->ignore();
    if (!ConfirmCancel()) {
        return;
    }
    {
        WaitCursor wait;
        stopRunning();
    }
    exchangeFromControls();
    event->accept();
    done(0);
}

// The idle hook: one step of the run per idle moment; at the run's end (input exhausted,
// no writer left, or a failure already reported) the run winds itself down.
void ConverterDialog::OnIdle() {
    if (!run_->OnIdle()) {
        idleTimer_.stop();
        runEnded(true);
    }
}

void ConverterDialog::refreshScenes() {
    const SceneRecord& record = run_->scenes();
    if (ui_->scoreStrip->isVisible()) {
        ui_->scoreStrip->refresh();
    }
    const size_t count = record.examined() ? record.scenes().size() : 0;
    ui_->scenesButton->setText(count == 0 ? QString("Scenes") : QString("Scenes (%1)").arg(count));
    ui_->scenesButton->setEnabled(count > 0);
}

void ConverterDialog::runEnded(bool mayOpenScenes) {
    scenesTimer_.stop();
    refreshScenes();
    const SceneRecord& record = run_->scenes();
    if (!record.examined() || record.scenes().empty()) {
        return;
    }
    if (scenesWindow_ && scenesWindow_->isVisible()) {
        OnScenes();
    } else if (mayOpenScenes && settings_.ShowScenes != 0) {
        OnScenes();
    }
}

ScenesWindow* ConverterDialog::scenesWindow() const {
    return scenesWindow_.data();
}

void ConverterDialog::OnScenes() {
    if (!scenesWindow_) {
        scenesWindow_ = new ScenesWindow(this, &settings_.ShowScenes);
    }
    scenesWindow_->showRecord(run_->scenes(),
                              std::filesystem::path(settings_.SrcFileName).filename().string());
    scenesWindow_->show();
    scenesWindow_->raise();
}

void ConverterDialog::BeginWait() {
    ++waitDepth_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void ConverterDialog::EndWait() {
    if (waitDepth_ > 0) {
        --waitDepth_;
        QApplication::restoreOverrideCursor();
    }
}

void ConverterDialog::ClearPreviewArea() {
    ui_->previewArea->blank();
}

// ---- List handlers ----

void ConverterDialog::OnKeepSettings() {
    settings_.KeepSettings = ui_->keepParametersCheck->isChecked() ? 1 : 0;
    UpdateControlState(false);
}

// The rendering dialogs edit the custom rendering values; with "Keep input file
// parameters" checked they open nothing.
void ConverterDialog::OnVideoRendering() {
    RunVideoRenderingExchange(this, settings_, ui_->inputFileList->currentText());
}

void ConverterDialog::OnAudioRendering() {
    RunAudioRenderingExchange(this, settings_);
}

void ConverterDialog::OnShowPreview() {
    settings_.WantPreview = ui_->showPreviewCheck->isChecked() ? 1 : 0;
    ui_->scoreStrip->setVisible(settings_.WantPreview != 0);
    if (settings_.WantPreview == 0) {
        ui_->previewArea->blank();
    }
}

void ConverterDialog::OnInputSelected() {
    HistoryComboBox& list = *ui_->inputFileList;
    QString text;
    if (list.classify(text) == 0) {
        std::string path = list.lastValueText().toStdString();
        BrowseForFile(this, BrowseMode::Open, loadText(IDS_INPUT_DEFAULT_EXT),
                      loadText(IDS_INPUT_FILTER_ALL_KINDS), path);
        text = qs(path.empty() ? settings_.SrcFileName : path);
    }
    list.select_or_push(text);
    settings_.SrcFileName = text.toStdString();
}

void ConverterDialog::OnOutputSelected() {
    HistoryComboBox& list = *ui_->outputFileList;
    QString text;
    if (list.classify(text) == 0) {
        std::string path = list.lastValueText().toStdString();
        BrowseForFile(this, BrowseMode::Save, qs(OutputExtension(settings_.DstFileType).substr(1)),
                      loadText(IDS_OUTPUT_FILTER_ALL_TYPES), path);
        text = qs(path.empty() ? settings_.DstFileName : path);
    }
    list.select_or_push(text);
    settings_.DstFileName = text.toStdString();
}

void ConverterDialog::OnOutputTypeSelected() {
    settings_.DstFileType = ui_->outputTypeList->currentIndex();
    settings_.DstFileName = ui_->outputFileList->currentText().toStdString();
    if (!settings_.DstFileName.empty()) {
        settings_.DstFileName =
            ReplaceExtension(settings_.DstFileName, OutputExtension(settings_.DstFileType));
        ui_->outputFileList->setEditText(qs(settings_.DstFileName));
    }
    FitCompressorsToType();
    UpdateControlState(false);
}

// Compressors the new output type cannot hold give way to ones it can: H.264, and AAC
// (PCM for AVI); the status box says what was changed.
void ConverterDialog::FitCompressorsToType() {
    const OutputContainer container = ContainerForExtension(OutputExtension(settings_.DstFileType));
    Ui::ConverterDialog& u = *ui_;
    std::string changed;
    const auto fit = [&](HistoryComboBox& list, StreamKind kind, const std::string& replacement) {
        const std::string current = list.currentText().toStdString();
        if (ContainerTakes(container, kind, current) || current == replacement)
            return;
        list.setTextWithoutSelection(qs(replacement));
        (kind == StreamKind::Video ? settings_.VideoCodec : settings_.AudioCodec) = replacement;
        changed += (changed.empty() ? "" : " and ") + current + " by " + replacement;
    };
    fit(*u.videoCompressorList, StreamKind::Video, "H.264 (x264)");
    fit(*u.audioCompressorList, StreamKind::Audio,
        container == OutputContainer::Avi ? "PCM" : "AAC");
    if (changed.empty())
        return;
    const std::string type = ContainerLabel(container);
    SetStatusText(type + " files cannot hold every chosen compressor: replaced " + changed + ".",
                  false);
}

void ConverterDialog::OnClipModeSelected() {
    HistoryComboBox& list = *ui_->clipModeList;
    const int chosen = list.currentIndex();
    if (chosen == kBrowseProjectEntry ||
        (chosen == kProjectEntry && settings_.ClipsFileName.empty())) {
        std::string path = settings_.ClipsFileName;
        BrowseForFile(this, BrowseMode::Save, loadText(IDS_PROJECT_DEFAULT_EXT),
                      loadText(IDS_PROJECT_FILTER), path);
        if (path.empty()) {
            const int previous = settings_.SceneDetection;
            list.setCurrentIndex(previous >= 0 && previous < list.count() ? previous : -1);
            return;
        }
        settings_.ClipsFileName = path;
        UpdateProjectEntry();
        if (chosen == kBrowseProjectEntry) {
            list.setCurrentIndex(kProjectEntry);
        }
    }
    settings_.SceneDetection = std::min(chosen, kProjectEntry);
}

void ConverterDialog::UpdateProjectEntry() {
    HistoryComboBox& list = *ui_->clipModeList;
    std::string text = LoadString(IDS_PROJECT_ENTRY_FORMAT);
    const size_t placeholder = text.find("%s");
    if (placeholder != std::string::npos) {
        text.replace(placeholder, 2, FileNamePart(settings_.ClipsFileName));
    }
    const int selected = list.currentIndex();
    list.insertItem(kProjectEntry, qs(text));
    list.removeItem(kProjectEntry + 1);
    if (selected >= 0) {
        list.setCurrentIndex(selected);
    }
}

void ConverterDialog::OnCompressorSelected(HistoryComboBox& list, bool video) {
    std::string& name = video ? settings_.VideoCodec : settings_.AudioCodec;
    QString text;
    if (list.classify(text) != 0) {
        name = text.toStdString();
        return;
    }
    // The compression dialog updates the record and the name when confirmed. Whatever it
    // answered, the list shows the name again, if it carries it.
    if (video) {
        RunVideoCompressionExchange(this, settings_);
    } else {
        RunAudioCompressionExchange(this, settings_);
    }
    const int found = list.findExact(qs(name), 0);
    if (found >= 0) {
        list.setCurrentIndex(found);
    } else {
        list.setCurrentIndex(-1);
    }
}

void ConverterDialog::OnProfileSelected() {
    HistoryComboBox& list = *ui_->profileList;
    QString text;
    if (list.classify(text) != 0) {
        settings_.MediaProfile = text.toStdString();
        return;
    }
    std::string path = settings_.MediaProfile;
    BrowseForFile(this, BrowseMode::Open, loadText(IDS_PROFILE_DEFAULT_EXT),
                  loadText(IDS_PROFILE_FILTER), path);
    if (!path.empty()) {
        settings_.MediaProfile = path;
    }
    // Applied after this handler has returned, when the list has shown the
    // selection.
    postListText(&list, qs(profileDisplayName(settings_.MediaProfile)));
}

// ---- The run ----

void ConverterDialog::StopRun() {
    run_->StopRun();
    DestroyPreview();
}

void ConverterDialog::CreatePreview(int outputWidth, int outputHeight, int inputWidth,
                                    int inputHeight) {
    const QRect client = ui_->previewArea->contentsRect();
    const PreviewRect area{client.left(), client.top(), client.left() + client.width(),
                           client.top() + client.height()};
    preview_.CreatePreview(outputWidth, outputHeight, LetterboxRect(area, inputWidth, inputHeight));
}

void ConverterDialog::DrawPreview(uint8_t* frame, size_t frameBytes,
                                  const std::string& statisticsText) {
    if (!WantPreview()) {
        return;
    }
    preview_.DrawPreview(frame, frameBytes, statisticsText, font(), ui_->previewArea);
}

void ConverterDialog::DestroyPreview() {
    ui_->previewArea->blank();
    preview_.DestroyPreview();
}

} // namespace zentar
