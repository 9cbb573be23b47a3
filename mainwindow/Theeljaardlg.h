// The year dialog "Alle memo's van een jaar". Its spin edit starts at the
// current year and keeps the year last chosen between uses.
#pragma once

#include "widgets/Dialog.h"

namespace jotanor {

class SpinEdit;

class Theeljaardlg : public Dialog {
    Q_OBJECT

public:
    Theeljaardlg(QWidget* parent, const DialogContext& context);

    // The year chosen.
    std::uint16_t year() const;

protected:
    void FormActivate() override;

private:
    SpinEdit* yearSpin_ = nullptr;  // SpinEdit1
};

}  // namespace jotanor
