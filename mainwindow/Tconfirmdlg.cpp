#include "mainwindow/Tconfirmdlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace jotanor {

Tconfirmdlg::Tconfirmdlg(QWidget* parent, const DialogContext& context) : Dialog(parent, context) {
    setObjectName("confirmdlg");
    setWindowTitle("Dit record verwijderen ?");
    setModal(true);

    auto* column = new QVBoxLayout(this);
    for (auto [label, name] : {std::pair{&date_, "Label1"}, {&line1_, "Label2"}, {&line2_, "Label3"}}) {
        *label = new QLabel(this);
        (*label)->setObjectName(name);
        (*label)->setTextFormat(Qt::PlainText);
        column->addWidget(*label);
    }
    auto* buttons = new QHBoxLayout;
    noButton_ = new QPushButton("&Nee", this);
    noButton_->setObjectName("Button1");
    yesButton_ = new QPushButton("&Ja", this);
    yesButton_->setObjectName("Button2");
    buttons->addWidget(noButton_);
    buttons->addStretch();
    buttons->addWidget(yesButton_);
    column->addLayout(buttons);
    setMinimumWidth(320);
    connect(noButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(yesButton_, &QPushButton::clicked, this, &QDialog::accept);
    fixSize();
}

void Tconfirmdlg::setRecord(const MemoRecord& record) {
    const Ymd d = decodeDate(record.date);
    date_->setText(QString("%1/%2/%3").arg(d.day).arg(d.month).arg(d.year));
    line1_->setText(fromMemoText(record.line1));
    line2_->setText(fromMemoText(record.line2));
}

void Tconfirmdlg::FormActivate() { noButton_->setFocus(); }

}  // namespace jotanor
