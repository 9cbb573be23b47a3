// The change dialog: a selected memo's date and lines, to be changed, or
// copied to another date.
#pragma once

#include "mainwindow/DateMemoDialog.h"

namespace jotanor {

// What the change dialog does with the selected memo.
enum class DialogMode { Change, Copy };

class Twijzigdlg : public DateMemoDialog {
    Q_OBJECT

public:
    Twijzigdlg(QWidget* parent, const DialogContext& context);

    // The memo the next opening shows, and whether it is to be changed or
    // copied. Throws DateError for a date that cannot be split into day,
    // month and year.
    void setRecord(const MemoRecord& record, DialogMode mode);

protected:
    void FormActivate() override;
    // Closes with OK once the controls give a memo; the dialog stays open
    // when they cannot.
    void OKBtnClick();

private:
    Ymd date_{};
    MemoRecord record_;
    DialogMode mode_ = DialogMode::Change;
};

}  // namespace jotanor
