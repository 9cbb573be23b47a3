// A spin edit that takes no typing: its value changes only with the arrow
// buttons and the arrow keys, within its range.
#pragma once

#include <QLineEdit>
#include <QSpinBox>

namespace jotanor {

class SpinEdit : public QSpinBox {
public:
    SpinEdit(int minimum, int maximum, QWidget* parent = nullptr) : QSpinBox(parent) {
        setRange(minimum, maximum);
        lineEdit()->setReadOnly(true);
    }
};

}  // namespace jotanor
