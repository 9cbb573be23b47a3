#include "mainwindow/Txwekendlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "mainwindow/DialogFrame.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

Txwekendlg::Txwekendlg(Tform1& form) : QDialog(&form), form_(form) {
    setObjectName("xwekendlg");
    setWindowTitle("De memo-reeks begint een aantal weken geleden");
    setModal(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("ATTENTIE: Gebruik van het numerieke pad voor het kiezen van ", this), 0, 0, 1, 2);
    grid->addWidget(new QLabel("het aantal tussen 0 en 9 weken werkt nog sneller.", this), 1, 0, 1, 2);
    Edit1 = new QLineEdit("0", this);
    Edit1->setObjectName("Edit1");
    Edit1->setMaxLength(2);
    grid->addWidget(Edit1, 2, 0);
    grid->addWidget(new QLabel("aantal weken", this), 2, 1);

    auto* buttons = new QHBoxLayout;
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    OkBtn = new QPushButton("Ok", this);
    OkBtn->setObjectName("OkBtn");
    OkBtn->setDefault(true);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(OkBtn);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(OkBtn, &QPushButton::clicked, this, &Txwekendlg::OkBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    fixDialogSize(*this);
}

void Txwekendlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(*this, form_.platform().screen->size());
    Edit1->setText("0");
    Edit1->selectAll();
    Edit1->setFocus();
}

void Txwekendlg::OkBtnClick() {
    bool ok = false;
    const int n = Edit1->text().trimmed().toInt(&ok);
    if (!ok || n < 0 || n > 9) {
        form_.platform().boxes->show(MsgKind::Warning, "Geef een aantal weken van 0 tot en met 9.", MsgButtons::Ok);
        Edit1->selectAll();
        Edit1->setFocus();
        return;
    }
    weeks_ = n;
    accept();
}

}  // namespace jotanor
