// The memo panel that the calendar and the print dialog share: the memos of
// one day, as dayMemoLines gives them.
#pragma once

#include "dates/Dates.h"

class QPlainTextEdit;

namespace jotanor {

class MemoFile;

// Fills `panel` with the memos of `day`, hidden while it reads the file; a
// file error is raised and leaves the panel hidden and empty.
void showDayMemos(QPlainTextEdit& panel, MemoFile& memos, DaySerial day);

}  // namespace jotanor
