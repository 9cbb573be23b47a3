// The entry command: the calendar first, then what the user asked for in
// it; and the days the print dialog picks in the calendar.
#include "calendar/Tkalenderdlg.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

void Tform1::Invoer1Click() { Kalender1Click(); }

void Tform1::Kalender1Click() {
    if (!calendar_) return;
    const CalendarAnswer answer = calendar_->ask(state_.dayChosen);
    takeCalendarDay(answer);
    switch (answer.request) {
    case CalendarRequest::ListFromDate: Vanafdatum1Click(); break;
    case CalendarRequest::EnterMemo: invoeren(); break;
    case CalendarRequest::Closed: break;
    }
}

void Tform1::takeCalendarDay(const CalendarAnswer& answer) {
    state_.chosenDay = answer.day;
    state_.dayChosen = answer.dayChosen;
}

DaySerial Tform1::pickPrintDay(const QString& caption, const QString& buttonCaption) {
    const CalendarAnswer answer = calendar_->pickDay(caption, buttonCaption, state_.dayChosen);
    takeCalendarDay(answer);
    return encodeDate(answer.day);
}

}  // namespace jotanor
