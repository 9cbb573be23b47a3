#include "widgets/SpinEdit.h"

#include <QLineEdit>
#include <algorithm>

#include "store/IntegerText.h"

namespace jotanor {

SpinEdit::SpinEdit(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

void SpinEdit::setTyping(bool on) { lineEdit()->setReadOnly(!on); }

bool SpinEdit::typing() const { return !lineEdit()->isReadOnly(); }

QValidator::State SpinEdit::validate(QString& input, int&) const {
    const auto value = parseInteger(input.toStdString());
    return value && *value >= minimum() && *value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

int SpinEdit::valueFromText(const QString& text) const {
    const auto value = parseInteger(text.toStdString());
    return value ? std::clamp(*value, minimum(), maximum()) : minimum();
}

void SpinEdit::fixup(QString& input) const { input = QString::number(valueFromText(input)); }

}  // namespace jotanor
