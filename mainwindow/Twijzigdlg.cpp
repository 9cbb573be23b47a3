#include "mainwindow/Twijzigdlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "widgets/SpinEdit.h"

namespace jotanor {

Twijzigdlg::Twijzigdlg(QWidget* parent, const DialogContext& context)
    : DateMemoDialog(parent, context, "Wijzigen van dit record", 3000) {
    setObjectName("wijzigdlg");
    connect(okButton_, &QPushButton::clicked, this, [this] { OKBtnClick(); });
}

void Twijzigdlg::setRecord(const MemoRecord& record, DialogMode mode) {
    date_ = decodeDate(record.date);
    record_ = record;
    mode_ = mode;
}

void Twijzigdlg::FormActivate() {
    setWindowTitle(mode_ == DialogMode::Copy ? "Maak een copie voor een andere datum" : "Wijzigen van dit record");
    showMemo(date_, fromMemoText(record_.line1), fromMemoText(record_.line2));
    for (SpinEdit* spin : {daySpin_, monthSpin_, yearSpin_}) spin->setTyping(false);
    line1Edit_->setFocus();
}

void Twijzigdlg::OKBtnClick() {
    if (context_.errors.guarded([this] { (void)memo(); })) accept();
}

}  // namespace jotanor
