#include "mainwindow/Tvanafdlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "mainwindow/DialogFrame.h"
#include "mainwindow/SpinEdit.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

Tvanafdlg::Tvanafdlg(Tform1& form) : QDialog(&form), form_(form) {
    setObjectName("vanafdlg");
    setWindowTitle("Records vanaf een datum");
    setModal(true);

    auto* grid = new QGridLayout(this);
    auto addRow = [&](int row, const char* caption, SpinEdit*& spin, const char* name, int lo, int hi) {
        spin = new SpinEdit(lo, hi, this);
        spin->setObjectName(name);
        grid->addWidget(spin, row, 0);
        grid->addWidget(new QLabel(caption, this), row, 1);
    };
    addRow(0, "jaar", SpinEdit1, "SpinEdit1", 1900, 2100);
    addRow(1, "maand", SpinEdit2, "SpinEdit2", 1, 12);
    addRow(2, "dag", SpinEdit3, "SpinEdit3", 1, 31);

    grid->addLayout(okCancelRow(*this, OKBtn, CancelBtn), 3, 0, 1, 2);

    connect(OKBtn, &QPushButton::clicked, this, [this] {
        form_.guarded([this] { OKBtnClick(); });
        accept();
    });
    fixDialogSize(*this);
}

void Tvanafdlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(*this, form_.platform().screen->size());
    FormActivate();
}

void Tvanafdlg::FormActivate() {
    MainState& state = form_.state();
    const Ymd today = form_.today();
    state.fromDate = encodeDate(today);
    Ymd shown = today;
    if (state.dayChosen) {
        shown = state.chosenDay;
        state.dayChosen = false;
    }
    SpinEdit1->setValue(shown.year);
    SpinEdit2->setValue(shown.month);
    SpinEdit3->setValue(shown.day);
    SpinEdit1->setFocus();
}

void Tvanafdlg::OKBtnClick() {
    const int y = SpinEdit1->value();
    const int m = SpinEdit2->value();
    const int d = SpinEdit3->value();
    if (!isValidDate(y, m, d)) {
        form_.platform().boxes->show(MsgKind::Warning,
                                     QString("datum %1/%2/%3 bestaat niet...").arg(d).arg(m).arg(y), MsgButtons::Ok);
        return;
    }
    form_.state().fromDate = encodeDate(y, m, d);
}

}  // namespace jotanor
