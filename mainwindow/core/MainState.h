// What the main window holds for the whole run and its dialogs read and
// write. The memo file's name and record count live in MemoFile.
#pragma once

#include <cstdint>
#include <string>

#include "dates/Dates.h"
#include "store/MemoRecord.h"
#include "store/Settings.h"

namespace jotanor {

struct MainState {
    MemoRecord currentRecord;  // the record that mydata1_opbergen stores
    Settings settings;
    bool fullScreen = false;
    bool closing = false;

    std::string viewMode = "10weken";  // "10weken", "vanaf" or "heeljaar"
    DaySerial fromDate = 0;
    std::uint16_t chosenYear = 0;

    std::string searchText;

    std::int32_t selectedIndex = -1;
    std::string dialogMode;  // "wijzigen" or "copieren"

    Ymd chosenDay{};
    bool dayChosen = false;
    bool entryRequest = false;
    bool fromDateRequest = false;

    DaySerial printFirst = 0;
    DaySerial printLast = 0;
};

}  // namespace jotanor
