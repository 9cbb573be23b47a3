// The from-date dialog "Records vanaf een datum": the first day of the
// from-date view, chosen with three spin edits.
#pragma once

#include "widgets/Dialog.h"

namespace jotanor {

class SpinEdit;

class Tvanafdlg : public Dialog {
    Q_OBJECT

public:
    Tvanafdlg(QWidget* parent, const DialogContext& context);

    // The day the spin edits show at the next opening.
    void setDate(const Ymd& date) { date_ = date; }
    // The first day of the view: the day OK took, or else today.
    DaySerial fromDate() const { return fromDate_; }

protected:
    void FormActivate() override;
    // Takes the day of the spin edits; a day that does not exist is warned
    // about and leaves today.
    void OKBtnClick();

private:
    SpinEdit* yearSpin_ = nullptr;   // SpinEdit1
    SpinEdit* monthSpin_ = nullptr;  // SpinEdit2
    SpinEdit* daySpin_ = nullptr;    // SpinEdit3
    Ymd date_{};
    DaySerial fromDate_ = 0;
};

}  // namespace jotanor
