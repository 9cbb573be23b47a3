// The print dialog: the first and the last day of the range are picked in
// the calendar, one after the other; the memos of each are shown.
#pragma once

#include <functional>

#include "widgets/Dialog.h"

class QGroupBox;
class QPlainTextEdit;
class QPushButton;

namespace jotanor {

class MemoFile;

class Tprintdlg : public Dialog {
    Q_OBJECT

public:
    enum class Step { First, Last };
    // Lets the user pick a day, in a window with the given caption whose
    // confirming button reads `buttonCaption`; gives the day picked.
    using DayPicker = std::function<DaySerial(const QString& caption, const QString& buttonCaption)>;

    // `memos` is the memo file whose memos of the picked days it shows.
    Tprintdlg(QWidget* parent, const DialogContext& context, MemoFile& memos, DayPicker pickDay);

    Step step() const { return step_; }
    // The range picked: the first and the last day.
    DaySerial first() const { return first_; }
    DaySerial last() const { return last_; }

protected:
    void FormActivate() override;
    void Button1Click();
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showDay(QGroupBox* box, QPlainTextEdit* memos, DaySerial day);

    MemoFile& memos_;
    DayPicker pickDay_;
    QGroupBox* firstBox_ = nullptr;         // GroupBox1
    QPlainTextEdit* firstMemos_ = nullptr;  // Memo1
    QGroupBox* lastBox_ = nullptr;          // GroupBox2
    QPlainTextEdit* lastMemos_ = nullptr;   // Memo2
    QPushButton* pickButton_ = nullptr;     // Button1
    QPushButton* okButton_ = nullptr;       // okbtn
    Step step_ = Step::First;
    DaySerial first_ = 0;
    DaySerial last_ = 0;
};

}  // namespace jotanor
