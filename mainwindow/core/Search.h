// The search without its window: the words taken from the search text, the
// title that shows them, and which memos hold them.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "mainwindow/core/MemoViews.h"
#include "store/MemoFile.h"
#include "store/MemoRecord.h"

namespace jotanor {

// Turns the capitals A to Z into small letters; no other byte changes, so
// accented capitals stay as they are.
void naarKleineLetters(std::string& text);

struct Zoekwoorden {
    std::string woord1;
    std::optional<std::string> woord2;  // present when the text held a comma
};

// The words of a search text (Windows-1252 bytes): folded to small letters
// unless case counts, every blank removed, split at the first comma. Later
// commas belong to word 2.
Zoekwoorden zoekwoorden(std::string_view searchText, bool hoofdlettergevoelig);

// "Zoekwoord : " + word 1, or "Zoekwoorden : " + word 1 + "  ,  " + word 2.
std::string zoektitel(const Zoekwoorden& woorden);

// Decides whether a memo's two lines hold the search words, as zoekwoorden
// gives them. A word occurs in a line as a contiguous run of bytes; an empty
// word occurs nowhere.
class Zoekfilter {
public:
    Zoekfilter(Zoekwoorden woorden, bool hoofdlettergevoelig);

    bool past(std::string_view line1, std::string_view line2) const;
    const Zoekwoorden& woorden() const { return woorden_; }

private:
    bool staanIn(std::string_view line1, std::string_view line2) const;

    Zoekwoorden woorden_;
    bool vouwen_;
    bool leeg_;  // an empty word: nothing matches
};

// Reads the memo file in record order and appends a memo block for every
// memo the filter accepts; `chime` runs once for every one dated today.
// Returns the number of blocks appended. On a failure `blocks` keeps what
// was appended before it.
std::size_t zoekBlocks(MemoFile& file, const Zoekfilter& filter, DaySerial today, MemoBlocks& blocks,
                       const std::function<void()>& chime = {});

}  // namespace jotanor
