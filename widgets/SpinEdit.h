// The program's spin edit: the arrow buttons and arrow keys step its value
// within its range. Typing, where it is on, is taken as the user gives it
// and settled when the field is left: a number outside the range becomes
// the nearest bound, text that is no number the lowest value.
#pragma once

#include <QSpinBox>

namespace jotanor {

class SpinEdit : public QSpinBox {
    Q_OBJECT

public:
    SpinEdit(int minimum, int maximum, QWidget* parent = nullptr);

    // Off: the value changes only with the arrow buttons and arrow keys.
    void setTyping(bool on);
    bool typing() const;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    int valueFromText(const QString& text) const override;
};

}  // namespace jotanor
