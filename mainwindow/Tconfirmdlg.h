// The delete confirmation "Dit record verwijderen ?": the memo's date and
// lines, "&Nee" at the left with the focus, "&Ja" at the right. Ja closes
// it with the OK result.
#pragma once

#include "widgets/Dialog.h"
#include "store/MemoRecord.h"

class QLabel;
class QPushButton;

namespace jotanor {

class Tconfirmdlg : public Dialog {
    Q_OBJECT

public:
    Tconfirmdlg(QWidget* parent, const DialogContext& context);

    // Shows the memo; the dialog takes the size its lines need. Throws
    // DateError for a date that cannot be split into day, month and year.
    void setRecord(const MemoRecord& record);

protected:
    void FormActivate() override;

private:
    QLabel* date_ = nullptr;         // Label1: day/month/year
    QLabel* line1_ = nullptr;        // Label2
    QLabel* line2_ = nullptr;        // Label3
    QPushButton* noButton_ = nullptr;   // Button1
    QPushButton* yesButton_ = nullptr;  // Button2
};

}  // namespace jotanor
