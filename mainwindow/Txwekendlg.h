// The dialog "De memo-reeks begint een aantal weken geleden": the number of
// weeks back for the ten-week view, typed in.
#pragma once

#include "widgets/Dialog.h"

class QLineEdit;

namespace jotanor {

class Txwekendlg : public Dialog {
    Q_OBJECT

public:
    Txwekendlg(QWidget* parent, const DialogContext& context);

    // The number entered, once "Ok" has accepted it: 0 to 9.
    int weeks() const { return weeks_; }

protected:
    void FormActivate() override;
    // Accepts a number from 0 to 9; anything else is warned about and keeps
    // the dialog open.
    void OkBtnClick();

private:
    QLineEdit* weeksEdit_ = nullptr;  // Edit1
    int weeks_ = 0;
};

}  // namespace jotanor
