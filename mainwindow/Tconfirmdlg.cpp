#include "mainwindow/Tconfirmdlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dates/Dates.h"
#include "mainwindow/DialogFrame.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

Tconfirmdlg::Tconfirmdlg(Tform1& form) : QDialog(&form), form_(form) {
    setObjectName("confirmdlg");
    setWindowTitle("Dit record verwijderen ?");
    setModal(true);

    auto* column = new QVBoxLayout(this);
    for (auto [label, name] : {std::pair{&Label1, "Label1"}, {&Label2, "Label2"}, {&Label3, "Label3"}}) {
        *label = new QLabel(this);
        (*label)->setObjectName(name);
        (*label)->setTextFormat(Qt::PlainText);
        column->addWidget(*label);
    }
    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton("&Nee", this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton("&Ja", this);
    Button2->setObjectName("Button2");
    buttons->addWidget(Button1);
    buttons->addStretch();
    buttons->addWidget(Button2);
    column->addLayout(buttons);
    setMinimumWidth(320);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
    fixDialogSize(*this);
}

void Tconfirmdlg::setRecord(const MemoRecord& record) {
    const Ymd d = decodeDate(record.date);
    datum_ = QString("%1/%2/%3").arg(d.day).arg(d.month).arg(d.year);
    record_ = record;
}

void Tconfirmdlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Filled first: a long line makes the dialog wider.
    FormActivate();
    centreOnScreen(*this, form_.platform().screen->size());
}

void Tconfirmdlg::FormActivate() {
    Label1->setText(datum_);
    Label2->setText(fromMemoText(record_.line1));
    Label3->setText(fromMemoText(record_.line2));
    Button1->setFocus();
}

}  // namespace jotanor
