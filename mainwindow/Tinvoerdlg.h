// The entry dialog "Invoer van een record": the date of a new memo, its day
// name and its two lines.
#pragma once

#include "mainwindow/DateMemoDialog.h"

namespace jotanor {

class Tinvoerdlg : public DateMemoDialog {
    Q_OBJECT

public:
    Tinvoerdlg(QWidget* parent, const DialogContext& context);

    // The day the next opening starts from.
    void setDate(const Ymd& date) { date_ = date; }

protected:
    // The day given, its name, and two empty lines.
    void FormActivate() override;

private:
    Ymd date_{};
};

}  // namespace jotanor
