// The help command of every dialog: "Help" buttons and F1 ask for help on the active
// dialog (the topmost modal dialog, else the main window). Each dialog carries its topic
// number in the property kHelpTopicProperty; the application installs the handler that
// shows the topic (a help window of its own). Without a handler the command does nothing.
//
// User-interface thread only.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>

namespace zentar {

inline constexpr const char* kHelpTopicProperty = "zentarHelpTopic";

// Help topic numbers of the dialogs: 0x20000 + the dialog's resource number.
enum HelpTopic : uint32_t {
    kHelpMainWindow = 0x20066,
    kHelpVideoRendering = 0x20067,
    kHelpAudioRendering = 0x20068,
    kHelpVideoCompression = 0x20100,
    kHelpAudioCompression = 0x20104,
    kHelpSceneDetection = 0x20110,
};

using HelpHandler = std::function<void(QWidget* dialog, uint32_t topic)>;

// Installs the handler (an empty handler uninstalls it) and the window that gets help
// when no modal dialog is open.
void SetHelpHandler(HelpHandler handler, QWidget* mainWindow);

// Sets the dialog's topic and binds F1 in it to SendHelpCommand.
void InstallHelp(QWidget* dialog, uint32_t topic);

// Shows help for the active dialog.
void SendHelpCommand();

// The active dialog: the topmost modal widget, else the main window given to SetHelpHandler.
QWidget* ActiveHelpDialog();

} // namespace zentar
