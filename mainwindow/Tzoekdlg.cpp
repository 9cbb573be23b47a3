#include "mainwindow/Tzoekdlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "mainwindow/DialogFrame.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

Tzoekdlg::Tzoekdlg(Tform1& form) : QDialog(&form), form_(form) {
    setObjectName("zoekdlg");
    setWindowTitle("Zoeken in het bestand");
    setModal(true);
    setFont(QFont("Arial", 9));

    auto* column = new QVBoxLayout(this);
    auto label = [&](const char* name, const QString& text, bool italic) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        QFont f = l->font();
        f.setItalic(italic);
        l->setFont(f);
        return l;
    };
    Label1 = label("Label1", "Geef het zoekwoord of een gedeelte ervan", false);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setMinimumWidth(300);
    CheckBox1 = new QCheckBox("Hoofdlettergevoelig", this);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setChecked(true);
    Label5 = label("Label5", "Voorbeelden:", true);
    Label3 = label("Label3", "Marieke  : alle memo's waarin Marieke voorkomt", true);
    Label4 = label("Label4", "Marieke,paard  : alle memo's waarin zowel Marieke als paard voorkomt", true);
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Edit1),
                       static_cast<QWidget*>(CheckBox1), static_cast<QWidget*>(Label5),
                       static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label4)})
        column->addWidget(w);

    column->addLayout(okCancelRow(*this, OKBtn, CancelBtn));
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    fixDialogSize(*this);
}

void Tzoekdlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(*this, form_.platform().screen->size());
    FormActivate();
}

void Tzoekdlg::FormActivate() { Edit1->setFocus(); }

}  // namespace jotanor
