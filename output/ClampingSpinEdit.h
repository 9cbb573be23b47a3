// A spin edit that takes any typed text and settles it when the field is
// left: a number outside the range is brought to the nearest bound, text
// that is not a number counts as the lowest value.
#pragma once

#include <QSpinBox>

namespace jotanor {

class ClampingSpinEdit : public QSpinBox {
    Q_OBJECT

public:
    ClampingSpinEdit(int minimum, int maximum, QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    int valueFromText(const QString& text) const override;
};

}  // namespace jotanor
