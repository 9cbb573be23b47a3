// The search without its window: the words taken from the search text, the
// title that shows them, and which memos hold them.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "diary/MemoViews.h"
#include "store/MemoFile.h"
#include "store/MemoRecord.h"

namespace jotanor {

// Turns the capitals A to Z into small letters; no other byte changes, so
// accented capitals stay as they are.
void foldCapitals(std::string& text);

struct SearchWords {
    std::string first;
    std::optional<std::string> second;  // present when the text held a comma
};

// The words of a search text (Windows-1252 bytes): folded to small letters
// unless case counts, every blank removed, split at the first comma. Later
// commas belong to word 2.
SearchWords searchWords(std::string_view searchText, bool caseCounts);

// "Zoekwoord : " + word 1, or "Zoekwoorden : " + word 1 + "  ,  " + word 2.
std::string searchTitle(const SearchWords& words);

// Decides whether a memo's two lines hold the search words, as searchWords
// gives them. A word occurs in a line as a contiguous run of bytes; an empty
// word occurs nowhere.
class SearchFilter {
public:
    SearchFilter(SearchWords words, bool caseCounts);

    bool matches(std::string_view line1, std::string_view line2) const;
    const SearchWords& words() const { return words_; }

private:
    bool holdWords(std::string_view line1, std::string_view line2) const;

    SearchWords words_;
    bool fold_;
    bool none_;  // an empty word: nothing matches
};

// Reads the memo file in record order and appends a memo block for every
// memo the filter accepts; `chime` runs once for every one dated today.
// Returns the number of blocks appended. On a failure `blocks` keeps what
// was appended before it.
std::size_t fillSearchBlocks(MemoFile& file, const SearchFilter& filter, DaySerial today, MemoBlocks& blocks,
                             const std::function<void()>& chime = {});

}  // namespace jotanor
