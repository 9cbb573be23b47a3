// The delete confirmation "Dit record verwijderen ?": the memo's date and
// lines, "&Nee" at the left with the focus, "&Ja" at the right.
#pragma once

#include <QDialog>

#include "store/MemoRecord.h"

class QLabel;
class QPushButton;

namespace jotanor {

class Tform1;

class Tconfirmdlg : public QDialog {
    Q_OBJECT

public:
    explicit Tconfirmdlg(Tform1& form);

    // The memo the next opening shows. Throws DateError for a date that
    // cannot be split into day, month and year.
    void setRecord(const MemoRecord& record);
    void FormActivate();

    QLabel* Label1 = nullptr;  // day/month/year
    QLabel* Label2 = nullptr;  // line1
    QLabel* Label3 = nullptr;  // line2
    QPushButton* Button1 = nullptr;  // "&Nee": No
    QPushButton* Button2 = nullptr;  // "&Ja": Yes

protected:
    void showEvent(QShowEvent* event) override;

private:
    Tform1& form_;
    QString datum_;
    MemoRecord record_;
};

}  // namespace jotanor
