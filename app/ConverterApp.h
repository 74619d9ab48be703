// ConverterApp: the process-wide application object of zentar-converter. Run() performs
// InitInstance (fix the INI path, run the main window modally, destroy it) and then
// ExitInstance (release what the process shares). Every event passes through notify(),
// where a program exception that escaped an event handler is turned into a status
// message by ProcessWndProcException instead of ending the process.
//
// One instance, created by main() on the user-interface thread, which is the only thread
// that uses it.
#pragma once

#include "app/ConverterDialog.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Unknown.h"

#include <QApplication>
#include <QPointer>

#include <exception>
#include <string>

class QEvent;

namespace zentar {

class ConverterApp : public QApplication {
    Q_OBJECT

public:
    ConverterApp(int& argc, char** argv);
    ~ConverterApp() override;

    static ConverterApp* instance();

    // InitInstance, then ExitInstance; the process's exit status (1 when InitInstance
    // failed with an exception, which is reported on standard error).
    int Run();
    // Fixes the INI path, then constructs the main window, runs it modally and destroys
    // it. Returns false: the process ends when it returns.
    bool InitInstance();
    // Releases the shared DV encoder of the writer graphs; returns the exit status.
    int ExitInstance();

    // Dispatches the event; an exception escaping its handler goes to
    // ProcessWndProcException, and the event counts as handled when that returns 1.
    bool notify(QObject* receiver, QEvent* event) override;
    // Reports a caught exception: a program failure in the main window's status text
    // (after stopping the run), anything else in a message box. Returns 1 when `event`
    // was a command (the user's input that triggers one), otherwise 0.
    int ProcessWndProcException(const std::exception_ptr& error, const QEvent* event);

    // True for events that carry a user command: mouse clicks, key presses, shortcuts.
    static bool IsCommandEvent(const QEvent* event);

    // The program whose path names the INI file; GetModuleFileName() unless set.
    void setModulePath(std::string path) { modulePath_ = std::move(path); }
    const std::string& iniPath() const { return iniPath_; }
    // The file the window opens as its input (the first argument that is not an option, as
    // a file manager's "Open with" passes it); empty for none.
    void setInputFile(QString path) { inputFile_ = std::move(path); }
    static QString InputFileArgument(const QStringList& arguments);
    const QString& inputFile() const { return inputFile_; }
    // The window that receives status messages (set by InitInstance while it runs).
    void setMainDialog(ConverterDialog* dialog) { mainDialog_ = dialog; }
    ConverterDialog* mainDialog() const { return mainDialog_; }

private:
    void showForeignException(const std::exception_ptr& error);

    std::string modulePath_;
    std::string iniPath_;
    QString inputFile_;
    QPointer<ConverterDialog> mainDialog_;
};

} // namespace zentar
