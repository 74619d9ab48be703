#include "app/ConverterApp.h"

#include "app/ConverterDialog.h"
#include "app/IniLocation.h"
#include "engine/ErrorMessages.h"
#include "platform/system/System.h"

#include <QEvent>
#include <QMessageBox>

#include <iostream>
#include <memory>

namespace zentar {

ConverterApp::ConverterApp(int& argc, char** argv)
    : QApplication(argc, argv), modulePath_(GetModuleFileName()) {
    setApplicationName(QStringLiteral("zentar-converter"));
}

ConverterApp::~ConverterApp() {
    sharedDvEncoder.Reset();
}

ConverterApp* ConverterApp::instance() {
    return qobject_cast<ConverterApp*>(QCoreApplication::instance());
}

int ConverterApp::Run() {
    InitInstance();
    return ExitInstance();
}

bool ConverterApp::InitInstance() {
    // The program's objects need no apartment set-up, so there is nothing to initialise
    // before the INI path is fixed.
    iniPath_ = IniPathForProgram(modulePath_, GetConfigFolder());
    auto dialog = std::make_unique<ConverterDialog>(iniPath_);
    setMainDialog(dialog.get());
    dialog->exec();
    setMainDialog(nullptr);
    dialog.reset(); // the window saves the settings as it is destroyed
    return false;
}

int ConverterApp::ExitInstance() {
    // Forget the encoder before releasing it, so nothing reaches it while it goes.
    ComPtr<IUnknown> encoder = std::move(sharedDvEncoder);
    encoder.Reset();
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
    QString text = QStringLiteral("Unexpected error.");
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    QMessageBox::critical(mainDialog_, QStringLiteral("Zentar Video Converter"), text);
}

} // namespace zentar
