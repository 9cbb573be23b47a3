#include "mainwindow/Tzoekdlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace jotanor {

Tzoekdlg::Tzoekdlg(QWidget* parent, const DialogContext& context) : Dialog(parent, context) {
    setObjectName("zoekdlg");
    setWindowTitle("Zoeken in het bestand");
    setModal(true);
    setFont(QFont("Arial", 9));

    auto* column = new QVBoxLayout(this);
    auto label = [&](const char* name, const QString& text, bool italic) -> QLabel* {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        QFont f = l->font();
        f.setItalic(italic);
        l->setFont(f);
        column->addWidget(l);
        return l;
    };
    QLabel* prompt = label("Label1", "Geef het zoekwoord of een gedeelte ervan", false);
    textEdit_ = new QLineEdit(this);
    textEdit_->setObjectName("Edit1");
    textEdit_->setAccessibleName("Zoekwoord");
    prompt->setBuddy(textEdit_);
    textEdit_->setMinimumWidth(300);
    column->addWidget(textEdit_);
    caseBox_ = new QCheckBox("Hoofdlettergevoelig", this);
    caseBox_->setObjectName("CheckBox1");
    caseBox_->setChecked(true);
    column->addWidget(caseBox_);
    label("Label5", "Voorbeelden:", true);
    label("Label3", "Marieke  : alle memo's waarin Marieke voorkomt", true);
    label("Label4", "Marieke,paard  : alle memo's waarin zowel Marieke als paard voorkomt", true);

    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    column->addLayout(okCancelRow(ok, cancel));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    fixSize();
}

QString Tzoekdlg::text() const { return textEdit_->text(); }

bool Tzoekdlg::caseCounts() const { return caseBox_->isChecked(); }

void Tzoekdlg::FormActivate() { textEdit_->setFocus(); }

}  // namespace jotanor
