// Calendar files and a diary, for every front end: the adds an imported
// calendar makes, and the calendar of a list of memos as a view shows them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "diary/Pairing.h"
#include "store/MemoFile.h"

namespace jotanor {

struct ImportCounts {
    std::size_t added = 0;
    std::size_t already = 0;  // the diary held them (by UID, then by content)
};

// Adds the memos of `imported` that the diary does not hold yet; each add is
// decided again under the file's lock.
ImportCounts importInto(MemoFile& file, const ics::Imported& imported);

// The calendar of memos as a list shows them, each with the position in the
// memo file it was read from, in the order given; each event the one a whole
// export writes for that memo, UID included. A memo the file no longer holds
// at its position (another program changed the file) keeps the UID the first
// of identical memos gets. Undated memos are left out and counted.
struct ListCalendar {
    std::string text;
    std::size_t events = 0;
    std::size_t undated = 0;
};
ListCalendar exportList(MemoFile& file, const std::vector<std::pair<std::size_t, MemoRecord>>& shown,
                        std::string_view dtstamp);

}  // namespace jotanor
