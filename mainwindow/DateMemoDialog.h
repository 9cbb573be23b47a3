// What the entry and the change dialog share: three spin edits for day,
// month and year that always hold a date that exists (datumproc), the day
// name beside them, the memo's two lines, OK and Cancel.
#pragma once

#include "widgets/Dialog.h"
#include "store/MemoRecord.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace jotanor {

class SpinEdit;

class DateMemoDialog : public Dialog {
    Q_OBJECT

public:
    // The memo that the controls hold: the date of the spin edits and the
    // two lines, each cut to 100 characters.
    MemoRecord memo() const;

protected:
    DateMemoDialog(QWidget* parent, const DialogContext& context, const QString& caption, int maxYear);

    // Checks the date in the spin edits: a date that does not exist is
    // warned about and replaced by today. Shows the day name.
    void datumproc();
    void SpinEdit1Change() { datumproc(); }
    void SpinEdit2Change() { datumproc(); }
    void SpinEdit3Change() { datumproc(); }

    // Puts a memo in the controls without checking its date on the way;
    // the check follows once all three spin edits hold it.
    void showMemo(const Ymd& date, const QString& line1, const QString& line2);

    SpinEdit* daySpin_ = nullptr;    // SpinEdit1
    SpinEdit* monthSpin_ = nullptr;  // SpinEdit2
    SpinEdit* yearSpin_ = nullptr;   // SpinEdit3
    QLabel* dayName_ = nullptr;      // Label4
    QLineEdit* line1Edit_ = nullptr;  // Edit1
    QLineEdit* line2Edit_ = nullptr;  // Edit2
    QPushButton* okButton_ = nullptr;
    QLabel* replaced_ = nullptr;  // the characters a memo cannot hold

private:
    void showDate(const Ymd& date);
    // Names the typed characters that OK will store as "?".
    void showReplaced();

    bool filling_ = false;  // set while the dialog fills its own spin edits
};

}  // namespace jotanor
