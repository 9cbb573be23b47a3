// The memo panel that the calendar and the print dialog share: the memos of
// one day, as dayMemoLines gives them.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace jotanor {

// Fills `panel` with the lines `readLines` gives (memo text), hidden while
// they are read; an error is raised and leaves the panel hidden and empty.
void showDayMemos(QPlainTextEdit& panel, const std::function<std::vector<std::string>()>& readLines);

}  // namespace jotanor
