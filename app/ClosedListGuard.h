// ClosedListGuard: keeps the main window's drop-down lists from acting on input that
// only passes over them. A closed QComboBox changes its selection, and reports it as
// "activated", on a turn of the mouse wheel, on the arrow and page keys and, when it
// cannot be edited, on typed letters; the window's list handlers would then open a file
// or compressor dialog the user never asked for. The guard swallows those events while
// the list is closed, so only a pick from the open list (mouse or Enter) or Enter in the
// edit field runs a handler. Alt+Down, F4 and Space still open the list.
//
// One guard per window, installed as an event filter on each list; user-interface
// thread only.
#pragma once

#include <QObject>

class QComboBox;

namespace zentar {

class ClosedListGuard : public QObject {
public:
    explicit ClosedListGuard(QObject* parent) : QObject(parent) {}
    void guard(QComboBox* list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace zentar
