#include "mainwindow/Txwekendlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace jotanor {

Txwekendlg::Txwekendlg(QWidget* parent, const DialogContext& context) : Dialog(parent, context) {
    setObjectName("xwekendlg");
    setWindowTitle("De memo-reeks begint een aantal weken geleden");
    setModal(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("ATTENTIE: Gebruik van het numerieke pad voor het kiezen van ", this), 0, 0, 1, 2);
    grid->addWidget(new QLabel("het aantal tussen 0 en 9 weken werkt nog sneller.", this), 1, 0, 1, 2);
    weeksEdit_ = new QLineEdit("0", this);
    weeksEdit_->setObjectName("Edit1");
    weeksEdit_->setMaxLength(2);
    grid->addWidget(weeksEdit_, 2, 0);
    weeksEdit_->setAccessibleName("Aantal weken terug");
    auto* weeksLabel = new QLabel("aantal weken", this);
    weeksLabel->setBuddy(weeksEdit_);
    grid->addWidget(weeksLabel, 2, 1);

    auto* buttons = new QHBoxLayout;
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelBtn");
    auto* ok = new QPushButton("Ok", this);
    ok->setObjectName("OkBtn");
    ok->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(ok, &QPushButton::clicked, this, &Txwekendlg::OkBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    fixSize();
}

void Txwekendlg::FormActivate() {
    weeksEdit_->setText("0");
    weeksEdit_->selectAll();
    weeksEdit_->setFocus();
}

void Txwekendlg::OkBtnClick() {
    bool ok = false;
    const int n = weeksEdit_->text().trimmed().toInt(&ok);
    if (!ok || n < 0 || n > 9) {
        context_.platform.boxes->show(MsgKind::Warning, "Geef een aantal weken van 0 tot en met 9.", MsgButtons::Ok);
        weeksEdit_->selectAll();
        weeksEdit_->setFocus();
        return;
    }
    weeks_ = n;
    accept();
}

}  // namespace jotanor
