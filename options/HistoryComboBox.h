// HistoryComboBox: the drop-down list used for the main window's file, compressor,
// profile and clip-splitting lists. Ordinary entries (a bounded history of recent values
// when a history limit is set) come first; a fixed number of command entries ("Advanced...",
// "Browse for ...") stay at the bottom and are never moved, replaced or taken as a value.
// sort_combo_entries sorts a list by character code, keeping its edit text.
//
// A Qt widget owned by its parent dialog; used on the user-interface thread only.
#pragma once

#include "resources/strings/StringTable.h"

#include <QComboBox>
#include <QString>

namespace zentar {

class HistoryComboBox : public QComboBox {
public:
    explicit HistoryComboBox(QWidget* parent = nullptr);

    // historyLimit 0: no history behaviour, new entries are appended at the end.
    void set_limits(int historyLimit, int fixedCount);
    int historyLimit() const { return historyLimit_; }
    int fixedCount() const { return fixedCount_; }

    // Appends a command entry at the end of the list (after the ordinary entries are in).
    void add_fixed(const QString& text);
    void add_fixed(StringId id); // the text of a string-table entry

    // Adds a new history entry: at the top (dropping the oldest when the history is full)
    // and selected, or at the end without changing the selection when there is no history.
    void push(const QString& text);

    // Makes the text the current entry: an empty text clears the selection; a history
    // entry (exact match, ignoring letter case) moves to the top; a fixed entry's text
    // changes nothing; an unknown text is pushed.
    void select_or_push(const QString& text);

    // The selected entry's text, or the edit text when nothing is selected.
    QString current() const;

    // Reads current(); for a fixed entry empties the text and returns its position among
    // the fixed entries (0 for the first), otherwise returns -1 and leaves the text as read.
    int classify(QString& text) const;

    // Exact, case-insensitive search that starts after entry startAfter, wraps to the top
    // and ends at startAfter itself; -1 when no entry matches. startAfter -1 searches from 0.
    int findExact(const QString& text, int startAfter = -1) const;

    // Appends an entry without changing the selection or the edit text (Qt would otherwise
    // select the first entry added to an empty list).
    void appendKeepingSelection(const QString& text);

    // Clears the selection and shows the text in the edit field (no entry is added).
    void setTextWithoutSelection(const QString& text);

    // The last text the list showed that was not a command entry: the value shown before
    // the user picked a command such as "Browse for ...".
    QString lastValueText() const { return lastValueText_; }

private:
    int historyLimit_ = 0;
    int fixedCount_ = 0;
    QString lastValueText_;
};

// Sorts every entry of the list ascending by the bytes of their UTF-8 form (by character
// code, case-sensitive, no locale collation) and keeps the edit text (or, for a list
// without edit field, the selected text).
void sort_combo_entries(QComboBox& list);

} // namespace zentar
