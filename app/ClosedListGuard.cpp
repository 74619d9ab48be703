#include "app/ClosedListGuard.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>

namespace zentar {

namespace {

// Keys a closed list turns into a new selection.
bool selectsOnClosedList(const QKeyEvent& key, bool editable) {
    if (key.modifiers() & Qt::AltModifier) {
        return false; // Alt+Down opens the list
    }
    switch (key.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        return !editable; // in an edit field they move the cursor
    case Qt::Key_Space:
        return false; // opens the list
    default:
        // Typing on a list without an edit field searches its entries and picks one.
        return !editable && !key.text().isEmpty() && key.text().at(0).isPrint();
    }
}

} // namespace

void ClosedListGuard::guard(QComboBox* list) {
    list->installEventFilter(this);
}

bool ClosedListGuard::eventFilter(QObject* watched, QEvent* event) {
    auto* list = qobject_cast<QComboBox*>(watched);
    if (list == nullptr || list->view()->isVisible()) {
        return false;
    }
    if (event->type() == QEvent::Wheel) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        return selectsOnClosedList(*static_cast<QKeyEvent*>(event), list->isEditable());
    }
    return false;
}

} // namespace zentar
