#include "options/HelpCommand.h"

#include <QApplication>
#include <QPointer>
#include <QShortcut>

namespace zentar {

namespace {

struct HelpRoute {
    HelpHandler handler;
    QPointer<QWidget> mainWindow;
};

HelpRoute& route() {
    static HelpRoute instance;
    return instance;
}

} // namespace

void SetHelpHandler(HelpHandler handler, QWidget* mainWindow) {
    route().handler = std::move(handler);
    route().mainWindow = mainWindow;
}

void InstallHelp(QWidget* dialog, uint32_t topic) {
    dialog->setProperty(kHelpTopicProperty, static_cast<uint>(topic));
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
    f1->setContext(Qt::WindowShortcut);
    QObject::connect(f1, &QShortcut::activated, dialog, [] { SendHelpCommand(); });
}

QWidget* ActiveHelpDialog() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return route().mainWindow.data();
}

void SendHelpCommand() {
    QWidget* dialog = ActiveHelpDialog();
    if (dialog == nullptr || !route().handler) {
        return;
    }
    // A modal widget without a topic of its own (a message box) gets its owner's topic.
    QWidget* holder = dialog;
    while (holder != nullptr && !holder->property(kHelpTopicProperty).isValid()) {
        holder = holder->parentWidget();
    }
    const uint32_t topic =
        holder != nullptr ? holder->property(kHelpTopicProperty).toUInt() : kHelpMainWindow;
    route().handler(dialog, topic);
}

} // namespace zentar
