// Which memo of the memo file a selected list line stands for. Every memo
// takes four list lines; the list keeps the position of the record each
// block was built from, where the search for the memo shown starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dates/Dates.h"
#include "diary/MemoCommands.h"
#include "diary/MemoViews.h"
#include "store/MemoFile.h"
#include "store/MemoRecord.h"

namespace jotanor {

// Day, month and year of a block's date line ("zondag,  6-12-2026", also
// with ">> " in front): the text after the first comma, split at "-", each
// part a whole number with blanks allowed in front. Nothing when a part is
// not a number or the date does not exist.
std::optional<Ymd> readDateLine(std::string_view dateLine);

// A memo as the list shows it: its date line, the record it was built from
// and that record's position in the memo file.
struct ShownMemo {
    std::string dateLine;
    MemoRecord record;
    std::size_t position = 0;
};

enum class SelectionOutcome {
    NoLine,  // no list line selected
    NoDateLine,  // the date line cannot be read
    Gone,  // the file no longer holds the memo anywhere
    Found,
};

struct Selection {
    SelectionOutcome outcome = SelectionOutcome::NoLine;
    std::int32_t index = -1;  // position of the memo in the memo file
    MemoRecord record;        // the memo as the file holds it
};

// Looks for the shown memo in the memo file by its date and both its lines:
// at its position first, else anywhere.
Selection selectMemo(MemoFile& file, const std::optional<ShownMemo>& shown);

}  // namespace jotanor
