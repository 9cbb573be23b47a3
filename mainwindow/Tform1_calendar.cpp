// The entry command: the calendar first, then what the user asked for in it.
#include "calendar/Tkalenderdlg.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

void Tform1::Invoer1Click() { Kalender1Click(); }

void Tform1::Kalender1Click() {
    if (!kalenderdlg) return;
    // The print dialog borrows the calendar with captions of its own and may
    // leave an entry request behind; none of that belongs to this opening.
    state_.entryRequest = false;
    state_.fromDateRequest = false;
    kalenderdlg->herstelKnoppen();
    kalenderdlg->exec();
    if (state_.fromDateRequest) Vanafdatum1Click();
    if (state_.entryRequest) invoeren();
}

}  // namespace jotanor
