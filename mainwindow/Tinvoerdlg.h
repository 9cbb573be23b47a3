// The entry dialog "Invoer van een record": the date of a new memo, its day
// name and its two lines.
#pragma once

#include "mainwindow/Datumdlg.h"

namespace jotanor {

class Tinvoerdlg : public Datumdlg {
    Q_OBJECT

public:
    explicit Tinvoerdlg(Tform1& form);

    // The day chosen in the calendar (then no longer chosen) or today, and
    // two empty lines.
    void FormActivate() override;
};

}  // namespace jotanor
