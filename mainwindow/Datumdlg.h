// What the entry and the change dialog share: three spin edits for day,
// month and year that always hold a date that exists (datumproc), the day
// name beside them, the memo's two lines, OK and Cancel.
#pragma once

#include <QDialog>
#include <QSpinBox>

#include "store/MemoRecord.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace jotanor {

class Tform1;

// A spin edit whose typing can be switched off: the value then changes only
// with the arrow buttons and the arrow keys.
class DatumSpin : public QSpinBox {
public:
    DatumSpin(int minimum, int maximum, QWidget* parent);
    void setTypen(bool on);
    bool typen() const;
};

class Datumdlg : public QDialog {
    Q_OBJECT

public:
    Datumdlg(Tform1& form, const QString& caption, int maxYear);

    // Checks the date in the spin edits: a date that does not exist is
    // warned about and replaced by today. Shows the day name.
    void datumproc();
    void SpinEdit1Change() { datumproc(); }
    void SpinEdit2Change() { datumproc(); }
    void SpinEdit3Change() { datumproc(); }

    // The memo that the controls hold: the date of the spin edits and the
    // two lines, each cut to 100 characters.
    MemoRecord memo() const;

    DatumSpin* SpinEdit1 = nullptr;  // day
    DatumSpin* SpinEdit2 = nullptr;  // month
    DatumSpin* SpinEdit3 = nullptr;  // year
    QLabel* Label4 = nullptr;        // day name
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    // Puts a date in the spin edits without checking it on the way.
    void zetDatum(int year, int month, int day);
    void showEvent(QShowEvent* event) override;
    virtual void FormActivate() = 0;

    Tform1& form_;
    bool vullen_ = false;  // set while the dialog fills its own spin edits
};

}  // namespace jotanor
