#include "app/ConverterApp.h"

#include "app/ConverterDialog.h"
#include "app/IniLocation.h"
#include "engine/AviWriterGraph.h"
#include "engine/ErrorMessages.h"
#include "platform/system/System.h"
#include "platform/ui/CompressorDialogs.h"

#include <QEvent>
#include <QMessageBox>
#include <QUrl>

#include <iostream>
#include <memory>

namespace zentar {

namespace {
// The text for a caught exception: the program's message, else the exception's own text.
std::string describe(const std::exception_ptr& error) {
    if (const std::optional<std::string> message = MessageForException(error))
        return *message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
    }
    return "Unexpected error.";
}
} // namespace

ConverterApp::ConverterApp(int& argc, char** argv)
    : QApplication(argc, argv), modulePath_(GetModuleFileName()) {
    setApplicationName(QStringLiteral("zentar-converter"));
    inputFile_ = InputFileArgument(arguments());
}

QString ConverterApp::InputFileArgument(const QStringList& arguments) {
    // Qt has taken its own options out; a file manager passes the file as a path (%f) or,
    // from some desktops, as a file URL.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg.isEmpty() || arg.startsWith('-')) {
            continue;
        }
        return arg.startsWith(QStringLiteral("file:")) ? QUrl(arg).toLocalFile() : arg;
    }
    return {};
}

ConverterApp::~ConverterApp() {
    AviWriterGraph::ReleaseSharedDvEncoder();
}

ConverterApp* ConverterApp::instance() {
    return qobject_cast<ConverterApp*>(QCoreApplication::instance());
}

int ConverterApp::Run() {
    int status = 0;
    try {
        InitInstance();
    } catch (...) {
        // Outside any event (the main window's construction, say) there is no window to
        // report in: say it on standard error and still release what the process holds.
        const std::exception_ptr error = std::current_exception();
        std::cerr << "zentar-converter: " << describe(error) << "\n";
        status = 1;
    }
    const int exitStatus = ExitInstance();
    return status != 0 ? status : exitStatus;
}

bool ConverterApp::InitInstance() {
    // The program's objects need no apartment set-up. The compressors' own configuration
    // and About boxes are Qt dialogs, installed once there is an application object.
    InstallQtCompressorDialogs();
    iniPath_ = IniPathForProgram(modulePath_, GetConfigFolder());
    auto dialog = std::make_unique<ConverterDialog>(iniPath_);
    dialog->OpenInputFile(inputFile_);
    setMainDialog(dialog.get());
    dialog->exec();
    setMainDialog(nullptr);
    dialog.reset(); // the window saves the settings as it is destroyed
    return false;
}

int ConverterApp::ExitInstance() {
    // The DV encoder that the writer graphs share for the whole process.
    AviWriterGraph::ReleaseSharedDvEncoder();
    return 0;
}

bool ConverterApp::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        return ProcessWndProcException(std::current_exception(), event) != 0;
    }
}

bool ConverterApp::IsCommandEvent(const QEvent* event) {
    if (!event)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
        return true;
    default:
        return false;
    }
}

int ConverterApp::ProcessWndProcException(const std::exception_ptr& error, const QEvent* event) {
    const int result = IsCommandEvent(event) ? 1 : 0;
    const std::optional<std::string> message = MessageForException(error);
    if (!message) {
        showForeignException(error);
        return result;
    }
    ConverterDialog* dialog = mainDialog_;
    if (!dialog) {
        std::cerr << "zentar-converter: " << *message << "\n";
        return result;
    }
    try {
        dialog->StopRun();
    } catch (...) {
        // A second failure while cleaning up must not hide the first one's message.
    }
    dialog->setErrorShown(true);
    dialog->SetStatusText(*message, true);
    return result;
}

void ConverterApp::showForeignException(const std::exception_ptr& error) {
    QMessageBox::critical(mainDialog_, QStringLiteral("Zentar Video Converter"),
                          QString::fromStdString(describe(error)));
}

} // namespace zentar
