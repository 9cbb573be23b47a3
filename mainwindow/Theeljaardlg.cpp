#include "mainwindow/Theeljaardlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "mainwindow/DialogFrame.h"
#include "mainwindow/SpinEdit.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

Theeljaardlg::Theeljaardlg(Tform1& form) : QDialog(&form), form_(form) {
    setObjectName("heeljaardlg");
    setWindowTitle("Alle memo's van een jaar");
    setModal(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("geef het jaar ", this), 0, 0);
    SpinEdit1 = new SpinEdit(0, 2200, this);
    SpinEdit1->setObjectName("SpinEdit1");
    SpinEdit1->setValue(form.today().year);
    grid->addWidget(SpinEdit1, 0, 1);

    grid->addLayout(okCancelRow(*this, OKBtn, CancelBtn), 1, 0, 1, 2);

    connect(OKBtn, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        accept();
    });
    fixDialogSize(*this);
}

void Theeljaardlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(*this, form_.platform().screen->size());
    SpinEdit1->setFocus();
}

void Theeljaardlg::OKBtnClick() { form_.state().chosenYear = static_cast<std::uint16_t>(SpinEdit1->value()); }

}  // namespace jotanor
