#include "options/HistoryComboBox.h"

#include <algorithm>
#include <string>
#include <vector>

namespace zentar {

HistoryComboBox::HistoryComboBox(QWidget* parent) : QComboBox(parent) {
    // Entries come only from the program; Enter in the edit field must not add one.
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        const int found = findExact(text);
        if (found < 0 || found < count() - fixedCount_) {
            lastValueText_ = text;
        }
    });
}

void HistoryComboBox::set_limits(int historyLimit, int fixedCount) {
    historyLimit_ = std::max(0, historyLimit);
    fixedCount_ = std::max(0, fixedCount);
}

void HistoryComboBox::add_fixed(const QString& text) {
    appendKeepingSelection(text);
}

void HistoryComboBox::add_fixed(StringId id) {
    appendKeepingSelection(QString::fromStdString(LoadString(id)));
}

void HistoryComboBox::push(const QString& text) {
    if (historyLimit_ == 0) {
        appendKeepingSelection(text);
        return;
    }
    insertItem(0, text);
    // Drop the oldest history entries (just above the fixed ones) beyond the limit.
    while (count() - fixedCount_ > historyLimit_) {
        removeItem(count() - fixedCount_ - 1);
    }
    setCurrentIndex(0);
}

void HistoryComboBox::select_or_push(const QString& text) {
    if (text.isEmpty()) {
        setCurrentIndex(-1);
        return;
    }
    const int found = findExact(text);
    if (found < 0) {
        push(text);
        return;
    }
    if (found >= count() - fixedCount_) {
        return; // a command entry is never taken as a value
    }
    removeItem(found);
    insertItem(0, text);
    setCurrentIndex(0);
}

QString HistoryComboBox::current() const {
    const int index = currentIndex();
    return index >= 0 ? itemText(index) : currentText();
}

int HistoryComboBox::classify(QString& text) const {
    text = current();
    const int firstFixed = count() - fixedCount_;
    for (int i = std::max(0, firstFixed); i < count(); ++i) {
        if (itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
            text.clear();
            return i - firstFixed;
        }
    }
    return -1;
}

int HistoryComboBox::findExact(const QString& text, int startAfter) const {
    const int n = count();
    if (n == 0) {
        return -1;
    }
    if (startAfter < -1 || startAfter >= n) {
        startAfter = -1;
    }
    for (int k = 1; k <= n; ++k) {
        const int i = (startAfter + k) % n;
        if (itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

void HistoryComboBox::appendKeepingSelection(const QString& text) {
    const int index = currentIndex();
    const QString shown = currentText();
    addItem(text);
    if (currentIndex() != index) {
        setCurrentIndex(index);
        if (isEditable()) {
            setEditText(shown);
        }
    }
}

void HistoryComboBox::setTextWithoutSelection(const QString& text) {
    setCurrentIndex(-1);
    if (isEditable()) {
        setEditText(text);
    }
}

void sort_combo_entries(QComboBox& list) {
    std::vector<std::string> entries;
    entries.reserve(static_cast<size_t>(list.count()));
    for (int i = 0; i < list.count(); ++i) {
        entries.push_back(list.itemText(i).toStdString());
    }
    // std::string compares through char_traits<char>, i.e. as unsigned bytes.
    std::stable_sort(entries.begin(), entries.end());

    const bool editable = list.isEditable();
    const int index = list.currentIndex();
    const QString shown = editable ? list.currentText() : (index >= 0 ? list.itemText(index) : "");
    list.clear();
    for (const std::string& entry : entries) {
        list.addItem(QString::fromStdString(entry));
    }
    if (editable) {
        list.setCurrentIndex(-1);
        list.setEditText(shown);
    } else {
        list.setCurrentIndex(shown.isEmpty() ? -1 : list.findText(shown, Qt::MatchExactly));
    }
}

} // namespace zentar
