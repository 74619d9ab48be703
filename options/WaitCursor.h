// WaitCursor: shows the wait cursor for the lifetime of one command and restores the
// previous cursor on every exit path, exceptions included. User-interface thread only.
#pragma once

#include <QApplication>

namespace zentar {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace zentar
