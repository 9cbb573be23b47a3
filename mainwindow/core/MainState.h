// What the main window holds for the whole run. Only the main window
// writes it; its dialogs get what they show from it and give their answers
// back to the window. The memo file's name and record count live in
// MemoFile.
#pragma once

#include <cstdint>
#include <string>

#include "dates/Dates.h"
#include "store/MemoRecord.h"
#include "store/Settings.h"

namespace jotanor {

// The view that the record commands show again when they are done. The
// whole-file view and the search leave it as it was.
enum class ViewMode { TenWeeks, FromDate, Year };

// What the change dialog does with the selected memo.
enum class DialogMode { Change, Copy };

struct MainState {
    MemoRecord currentRecord;  // the record that mydata1_opbergen stores
    Settings settings;
    bool fullScreen = false;
    bool closing = false;

    ViewMode viewMode = ViewMode::TenWeeks;
    DaySerial fromDate = 0;
    std::uint16_t chosenYear = 0;

    std::string searchText;

    std::int32_t selectedIndex = -1;
    DialogMode dialogMode = DialogMode::Change;

    // The day last chosen in the calendar, and whether the user chose it
    // there (the entry and from-date dialogs then start from it, once).
    Ymd chosenDay{};
    bool dayChosen = false;

    DaySerial printFirst = 0;
    DaySerial printLast = 0;
};

}  // namespace jotanor
