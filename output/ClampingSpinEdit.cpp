#include "output/ClampingSpinEdit.h"

#include <algorithm>

#include "store/IntegerText.h"

namespace jotanor {

ClampingSpinEdit::ClampingSpinEdit(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State ClampingSpinEdit::validate(QString& input, int&) const {
    const auto value = parseInteger(input.toStdString());
    return value && *value >= minimum() && *value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

int ClampingSpinEdit::valueFromText(const QString& text) const {
    const auto value = parseInteger(text.toStdString());
    return value ? std::clamp(*value, minimum(), maximum()) : minimum();
}

void ClampingSpinEdit::fixup(QString& input) const { input = QString::number(valueFromText(input)); }

}  // namespace jotanor
