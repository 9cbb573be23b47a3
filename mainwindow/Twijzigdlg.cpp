#include "mainwindow/Twijzigdlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "mainwindow/Tform1.h"

namespace jotanor {

Twijzigdlg::Twijzigdlg(Tform1& form) : Datumdlg(form, "Wijzigen van dit record", 3000) {
    setObjectName("wijzigdlg");
    // A buffer that could not be filled must not be stored: the dialog then
    // stays open.
    connect(OKBtn, &QPushButton::clicked, this, [this] {
        if (form_.guarded([this] { OKBtnClick(); })) accept();
    });
}

void Twijzigdlg::setRecord(const MemoRecord& record) {
    datum_ = decodeDate(record.date);
    record_ = record;
}

void Twijzigdlg::FormActivate() {
    setWindowTitle(form_.state().dialogMode == "copieren" ? "Maak een copie voor een andere datum"
                                                           : "Wijzigen van dit record");
    vullen_ = true;
    zetDatum(datum_.year, datum_.month, datum_.day);
    Edit1->setText(fromMemoText(record_.line1));
    Edit2->setText(fromMemoText(record_.line2));
    vullen_ = false;
    datumproc();
    for (DatumSpin* spin : {SpinEdit1, SpinEdit2, SpinEdit3}) spin->setTypen(false);
    Edit1->setFocus();
}

void Twijzigdlg::OKBtnClick() { form_.state().currentRecord = memo(); }

}  // namespace jotanor
