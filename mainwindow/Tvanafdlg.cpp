#include "mainwindow/Tvanafdlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "widgets/SpinEdit.h"

namespace jotanor {

Tvanafdlg::Tvanafdlg(QWidget* parent, const DialogContext& context) : Dialog(parent, context) {
    setObjectName("vanafdlg");
    setWindowTitle("Records vanaf een datum");
    setModal(true);

    auto* grid = new QGridLayout(this);
    auto addRow = [&](int row, const char* caption, const char* spoken, const char* name, int lo, int hi) {
        auto* spin = new SpinEdit(lo, hi, this);
        spin->setObjectName(name);
        spin->setTyping(false);
        spin->setAccessibleName(spoken);
        auto* label = new QLabel(caption, this);
        label->setBuddy(spin);
        grid->addWidget(spin, row, 0);
        grid->addWidget(label, row, 1);
        return spin;
    };
    yearSpin_ = addRow(0, "jaar", "Jaar", "SpinEdit1", 1900, 2100);
    monthSpin_ = addRow(1, "maand", "Maand", "SpinEdit2", 1, 12);
    daySpin_ = addRow(2, "dag", "Dag", "SpinEdit3", 1, 31);

    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    grid->addLayout(okCancelRow(ok, cancel), 3, 0, 1, 2);
    connect(ok, &QPushButton::clicked, this, [this] {
        context_.errors.guarded([this] { OKBtnClick(); });
        accept();
    });
    fixSize();
}

void Tvanafdlg::FormActivate() {
    fromDate_ = encodeDate(context_.today());
    yearSpin_->setValue(date_.year);
    monthSpin_->setValue(date_.month);
    daySpin_->setValue(date_.day);
    yearSpin_->setFocus();
}

void Tvanafdlg::OKBtnClick() {
    const int y = yearSpin_->value();
    const int m = monthSpin_->value();
    const int d = daySpin_->value();
    if (checkDate(y, m, d)) fromDate_ = encodeDate(y, m, d);
}

}  // namespace jotanor
