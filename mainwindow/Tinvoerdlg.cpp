#include "mainwindow/Tinvoerdlg.h"

#include <QLineEdit>
#include <QPushButton>

namespace jotanor {

Tinvoerdlg::Tinvoerdlg(QWidget* parent, const DialogContext& context)
    : DateMemoDialog(parent, context, "Invoer van een record", 2200) {
    setObjectName("invoerdlg");
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void Tinvoerdlg::FormActivate() {
    // A chosen day that does not exist is warned about here.
    showMemo(date_, {}, {});
    line1Edit_->setFocus();
}

}  // namespace jotanor
