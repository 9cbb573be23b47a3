#include "mainwindow/Theeljaardlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "widgets/SpinEdit.h"

namespace jotanor {

Theeljaardlg::Theeljaardlg(QWidget* parent, const DialogContext& context) : Dialog(parent, context) {
    setObjectName("heeljaardlg");
    setWindowTitle("Alle memo's van een jaar");
    setModal(true);

    auto* grid = new QGridLayout(this);
    auto* label = new QLabel("geef het jaar ", this);
    grid->addWidget(label, 0, 0);
    yearSpin_ = new SpinEdit(0, 2200, this);
    yearSpin_->setObjectName("SpinEdit1");
    yearSpin_->setAccessibleName("Jaar");
    label->setBuddy(yearSpin_);
    yearSpin_->setTyping(false);
    yearSpin_->setValue(context.today().year);
    grid->addWidget(yearSpin_, 0, 1);

    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    grid->addLayout(okCancelRow(ok, cancel), 1, 0, 1, 2);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    fixSize();
}

std::uint16_t Theeljaardlg::year() const { return static_cast<std::uint16_t>(yearSpin_->value()); }

void Theeljaardlg::FormActivate() { yearSpin_->setFocus(); }

}  // namespace jotanor
