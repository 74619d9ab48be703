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
    static QApplication app(argc, argv);
    return app;
}

} // namespace zentar::test
