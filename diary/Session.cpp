#include "diary/Session.h"

namespace jotanor {

Session::Session(FileSystem& fs, const Clock& clock, std::filesystem::path file)
    : file_(fs, std::move(file)), clock_(clock) {}

void Session::chooseDay(const Ymd& day, bool chosen) {
    chosenDay_ = day;
    dayChosen_ = chosen;
}

Ymd Session::takeStartDay() {
    const Ymd day = dayChosen_ ? chosenDay_ : today();
    dayChosen_ = false;
    return day;
}

std::size_t Session::listWeeksBack(int weeksBack, MemoBlocks& blocks, const Chime& chime) {
    const std::size_t n = fillBlocks(file_, tenWeekWindow(encodeDate(today()), weeksBack), encodeDate(today()), blocks, chime);
    viewMode_ = ViewMode::TenWeeks;
    return n;
}

std::size_t Session::listFrom(DaySerial from, MemoBlocks& blocks, const Chime& chime) {
    fromDate_ = from;
    const std::size_t n = fillBlocks(file_, fromDateWindow(from), encodeDate(today()), blocks, chime);
    viewMode_ = ViewMode::FromDate;
    return n;
}

std::size_t Session::listYear(int year, MemoBlocks& blocks, const Chime& chime) {
    const std::size_t n = fillBlocks(file_, yearWindow(year), encodeDate(today()), blocks, chime);
    viewMode_ = ViewMode::Year;
    return n;
}

std::size_t Session::listWholeFile(MemoBlocks& blocks) {
    return fillBlocks(file_, wholeFileWindow(), encodeDate(today()), blocks);
}

std::size_t Session::search(const std::string& text, bool caseCounts, MemoBlocks& blocks, const Chime& chime) {
    searchText_ = text;
    if (text.empty()) return 0;
    const SearchFilter filter(searchWords(text, caseCounts), caseCounts);
    return fillSearchBlocks(file_, filter, encodeDate(today()), blocks, chime);
}

}  // namespace jotanor
