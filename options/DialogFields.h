// What the option dialogs share about their fields: reading a text field as a number the
// way their data exchange does, the message that keeps a dialog open on a field that does
// not hold what it must, and adding names to a list in the list's own sorted order.
// Free functions over Qt widgets; user-interface thread only.
#pragma once

#include "resources/strings/StringTable.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QWidget;

namespace zentar {

// A decimal integer with an optional sign and surrounding blanks; nullopt otherwise or
// when it does not fit.
std::optional<int32_t> ParseSignedField(const QString& text);
// Digits only (surrounding blanks allowed); nullopt otherwise or when it does not fit.
std::optional<uint32_t> ParseUnsignedField(const QString& text);
// A finite decimal number in the C locale ("29.97", "-1e3"); nullopt otherwise.
std::optional<double> ParseNumberField(const QString& text);

// The field read as a signed integer, 0 when it does not hold one.
int32_t SignedFieldOrZero(const QLineEdit& field);

// trunc(value + 0.5) toward zero, kept inside the 32-bit signed range.
int32_t RoundHalfUpTruncated(double value);

// Shows the string `message` (its %1 and %2 replaced by the limits when given) in a
// warning box owned by `dialog`, then gives the field the focus with its text selected.
void RejectField(QWidget* dialog, QLineEdit* field, StringId message,
                 const QString& low = QString(), const QString& high = QString());

// Adds the names to the list, each at its place in the list's order: letter case ignored,
// names that compare equal in the order they arrive.
void AddSortedEntries(QComboBox& list, const std::vector<std::string>& names);

} // namespace zentar
