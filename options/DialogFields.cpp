#include "options/DialogFields.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>

#include <cmath>
#include <limits>

namespace zentar {

std::optional<int32_t> ParseSignedField(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

std::optional<uint32_t> ParseUnsignedField(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty() || !digits.front().isDigit()) {
        return std::nullopt; // no sign
    }
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, 10);
    if (!ok || value > std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::optional<double> ParseNumberField(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

int32_t SignedFieldOrZero(const QLineEdit& field) {
    return ParseSignedField(field.text()).value_or(0);
}

int32_t RoundHalfUpTruncated(double value) {
    const double rounded = std::trunc(value + 0.5);
    if (std::isnan(rounded)) {
        return 0;
    }
    if (rounded <= std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    if (rounded >= std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(rounded);
}

void RejectField(QWidget* dialog, QLineEdit* field, StringId message, const QString& low,
                 const QString& high) {
    QString text = QString::fromStdString(LoadString(message));
    if (!low.isEmpty()) {
        text = text.arg(low, high);
    }
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, dialog);
    box.exec();
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void AddSortedEntries(QComboBox& list, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const QString text = QString::fromStdString(name);
        int at = list.count();
        while (at > 0 && QString::compare(list.itemText(at - 1), text, Qt::CaseInsensitive) > 0) {
            --at;
        }
        list.insertItem(at, text);
    }
}

} // namespace zentar
