// The search dialog "Zoeken in het bestand": the search text, whether case
// counts, and two examples. Text and tick stay from one use to the next.
#pragma once

#include "widgets/Dialog.h"

class QCheckBox;
class QLineEdit;

namespace jotanor {

class Tzoekdlg : public Dialog {
    Q_OBJECT

public:
    Tzoekdlg(QWidget* parent, const DialogContext& context);

    QString text() const;
    // Whether capitals count ("Hoofdlettergevoelig"), as the tick stands now.
    bool caseCounts() const;

protected:
    void FormActivate() override;

private:
    QLineEdit* textEdit_ = nullptr;  // Edit1
    QCheckBox* caseBox_ = nullptr;   // CheckBox1
};

}  // namespace jotanor
