// The print dialog: the first and the last day of the range are picked in
// the calendar, one after the other; the memos of each are shown.
#pragma once

#include <QDialog>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;

namespace jotanor {

class Tform1;

class Tprintdlg : public QDialog {
    Q_OBJECT

public:
    enum class Step { First, Last };

    explicit Tprintdlg(Tform1& form);

    void FormActivate();
    void Button1Click();
    Step step() const { return step_; }

    QGroupBox* GroupBox1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* okbtn = nullptr;
    QPushButton* Button3 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Shows the calendar with the captions of this step; the day chosen in it.
    double pickDay(const QString& caption, const QString& buttonCaption);
    void fill(QPlainTextEdit* memo, double day);

    Tform1& form_;
    Step step_ = Step::First;
};

}  // namespace jotanor
