// One QApplication for a GoogleTest executable of widget tests (offscreen platform).
// Call EnsureQtApp() before creating widgets; the application lives until the process ends.
#pragma once

#include <QApplication>

namespace zentar::test {

inline QApplication& EnsureQtApp() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return *existing;
    }
    static int argc = 1;
    static char name[] = "zentar-widget-tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: a static one would be torn down after Qt's own globals at exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace zentar::test

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace zentar::test {

// Calls `answer` with the next modal widget that becomes active (for example a message box
// or a dialog run with exec()), polling every 10 ms for at most `limitMs`. Call it before
// the action that opens the modal widget; `answer` must close it.
inline void AnswerNextModal(std::function<void(QWidget*)> answer, int limitMs = 5000) {
    auto* timer = new QTimer();
    auto remaining = std::make_shared<int>(limitMs / 10);
    QObject::connect(timer, &QTimer::timeout, [timer, remaining, answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        } else if (--*remaining <= 0) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

} // namespace zentar::test
