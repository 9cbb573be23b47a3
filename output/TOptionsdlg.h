// The options dialog: changes one of the main window's four settings at a
// time. It fills itself from the settings each time it is shown and, on
// "Voer de gewenste optie in", writes back the selected option only.
#pragma once

#include <QDialog>

class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace jotanor {

class ClampingSpinEdit;
class Tform1;

class TOptionsdlg : public QDialog {
    Q_OBJECT

public:
    explicit TOptionsdlg(Tform1& form);

    void FormActivate();
    // Any of the four option buttons: shows the panels of the selected one.
    void RadioButtonClick();
    void RadioButton1Click();
    void SpinEdit1Change(int value);
    void Button1Click();
    void Button2Click();
    void Button3Click();

    // The place that confirming the backup option would store.
    const QString& pendingBackupPlace() const { return pending_; }

    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QRadioButton* RadioButton5 = nullptr;
    QRadioButton* RadioButton6 = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* Panel3 = nullptr;
    QFrame* Panel4 = nullptr;
    QFrame* Panel5 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    ClampingSpinEdit* SpinEdit1 = nullptr;
    ClampingSpinEdit* SpinEdit2 = nullptr;
    ClampingSpinEdit* SpinEdit3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* cancelbtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showPlace(const QString& place);

    Tform1& form_;
    QString pending_;
    QButtonGroup* options_ = nullptr;
    QButtonGroup* weekColours_ = nullptr;
};

}  // namespace jotanor
