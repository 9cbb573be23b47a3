// The year dialog "Alle memo's van een jaar". Its spin edit starts at the
// current year and keeps the year last chosen between uses.
#pragma once

#include <QDialog>

class QPushButton;

namespace jotanor {

class SpinEdit;
class Tform1;

class Theeljaardlg : public QDialog {
    Q_OBJECT

public:
    explicit Theeljaardlg(Tform1& form);

    // Copies the year into chosenYear.
    void OKBtnClick();

    SpinEdit* SpinEdit1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Tform1& form_;
};

}  // namespace jotanor
