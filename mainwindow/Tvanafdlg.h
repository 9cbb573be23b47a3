// The from-date dialog "Records vanaf een datum": the first day of the
// from-date view, chosen with three spin edits.
#pragma once

#include <QDialog>

class QPushButton;

namespace jotanor {

class SpinEdit;
class Tform1;

class Tvanafdlg : public QDialog {
    Q_OBJECT

public:
    explicit Tvanafdlg(Tform1& form);

    // On each opening: fromDate becomes today; the spin edits show the day
    // chosen in the calendar, or else today.
    void FormActivate();
    // fromDate from the spin edits; a day that does not exist is warned
    // about and leaves today.
    void OKBtnClick();

    SpinEdit* SpinEdit1 = nullptr;  // year
    SpinEdit* SpinEdit2 = nullptr;  // month
    SpinEdit* SpinEdit3 = nullptr;  // day
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Tform1& form_;
};

}  // namespace jotanor
