// The change dialog: a selected memo's date and lines, to be changed, or
// copied to another date ("wijzigen" or "copieren" in dialogMode).
#pragma once

#include "dates/Dates.h"
#include "mainwindow/Datumdlg.h"

namespace jotanor {

class Twijzigdlg : public Datumdlg {
    Q_OBJECT

public:
    explicit Twijzigdlg(Tform1& form);

    // The memo the next opening shows. Throws DateError for a date that
    // cannot be split into day, month and year.
    void setRecord(const MemoRecord& record);

    void FormActivate() override;
    // Puts the date and the two lines into the current-record buffer.
    void OKBtnClick();

private:
    Ymd datum_{};
    MemoRecord record_;
};

}  // namespace jotanor
