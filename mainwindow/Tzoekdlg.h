// The search dialog "Zoeken in het bestand": the search text, whether case
// counts, and two examples. Text and tick stay from one use to the next.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace jotanor {

class Tform1;

class Tzoekdlg : public QDialog {
    Q_OBJECT

public:
    explicit Tzoekdlg(Tform1& form);

    void FormActivate();

    QLineEdit* Edit1 = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;  // "Hoofdlettergevoelig"
    QLabel* Label5 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Tform1& form_;
};

}  // namespace jotanor
