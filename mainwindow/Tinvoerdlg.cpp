#include "mainwindow/Tinvoerdlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "mainwindow/Tform1.h"

namespace jotanor {

Tinvoerdlg::Tinvoerdlg(Tform1& form) : Datumdlg(form, "Invoer van een record", 2200) {
    setObjectName("invoerdlg");
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void Tinvoerdlg::FormActivate() {
    vullen_ = true;
    MainState& state = form_.state();
    Ymd date = form_.today();
    if (state.dayChosen) {
        date = state.chosenDay;
        state.dayChosen = false;
    }
    zetDatum(date.year, date.month, date.day);
    vullen_ = false;
    // The day name; a chosen day that does not exist is warned about here.
    datumproc();
    Edit1->clear();
    Edit2->clear();
    Edit1->setFocus();
}

}  // namespace jotanor
