// The dialog "De memo-reeks begint een aantal weken geleden": the number of
// weeks back for the ten-week view, typed in.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace jotanor {

class Tform1;

class Txwekendlg : public QDialog {
    Q_OBJECT

public:
    explicit Txwekendlg(Tform1& form);

    // The number entered, once "Ok" has accepted it: 0 to 9.
    int weeks() const { return weeks_; }
    // Accepts a number from 0 to 9; anything else is warned about and keeps
    // the dialog open.
    void OkBtnClick();

    QLineEdit* Edit1 = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Tform1& form_;
    int weeks_ = 0;
};

}  // namespace jotanor
