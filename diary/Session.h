// One session on one memo file: the file, the view that the record commands
// show again, the from-date, the search words and the day chosen in the
// calendar. The front end that owns the session is the only
// one that writes it; it asks the user and hands the answers in here.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "dates/Dates.h"
#include "diary/MemoViews.h"
#include "diary/Search.h"
#include "store/FileIO.h"

namespace jotanor {

// The view that the record commands show again when they are done. The
// whole-file view and the search leave it as it was.
enum class ViewMode { TenWeeks, FromDate, Year };

class Session {
public:
    Session(FileSystem& fs, const Clock& clock, std::filesystem::path file);

    MemoFile& file() { return file_; }
    Ymd today() const { return clock_.today(); }

    ViewMode viewMode() const { return viewMode_; }
    DaySerial fromDate() const { return fromDate_; }
    const std::string& searchText() const { return searchText_; }

    // The day the calendar closed with, and whether the user chose it there.
    void chooseDay(const Ymd& day, bool chosen);
    bool dayChosen() const { return dayChosen_; }
    // The day an entry or a from-date view starts from: the day chosen in
    // the calendar, once; else today.
    Ymd takeStartDay();

    // The views. Each fills `blocks` (kept as far as read on a failure) and
    // gives the number of memos listed; `chime` runs for every memo of today
    // listed. A view that fails leaves the view to show again as it was.
    using Chime = std::function<void()>;
    std::size_t listWeeksBack(int weeksBack, MemoBlocks& blocks, const Chime& chime = {});
    std::size_t listFrom(DaySerial from, MemoBlocks& blocks, const Chime& chime = {});
    std::size_t listYear(int year, MemoBlocks& blocks, const Chime& chime = {});
    std::size_t listWholeFile(MemoBlocks& blocks);
    // The memos that hold the words of `text` (memo text); the text is kept
    // for the next search. Nothing is listed for an empty text.
    std::size_t search(const std::string& text, bool caseCounts, MemoBlocks& blocks, const Chime& chime = {});

private:
    MemoFile file_;
    const Clock& clock_;
    ViewMode viewMode_ = ViewMode::TenWeeks;
    DaySerial fromDate_ = 0;
    std::string searchText_;
    Ymd chosenDay_{};
    bool dayChosen_ = false;
};

}  // namespace jotanor
