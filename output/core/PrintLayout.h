// The printed overview of a range of memos, laid out as texts at positions
// in printer pixels.
#pragma once

#include <string>
#include <vector>

#include "store/MemoFile.h"

namespace jotanor {

enum class PrintStyle {
    Header,  // 11 points, bold and underlined
    Body,    // 9 points, regular
};

struct PrintText {
    int x = 0;
    int y = 0;  // top of the text
    PrintStyle style = PrintStyle::Body;
    std::string text;  // Windows-1252, as the memo file holds it
    int page = 0;      // counted from 0
    bool operator==(const PrintText&) const = default;
};

inline constexpr const char* kPrintFont = "courier new";
inline constexpr int kPrintBodyPoints = 9;
inline constexpr int kPrintHeaderPoints = 11;
inline constexpr int kPrintMargin = 50;
inline constexpr int kPrintIndent = 100;
inline const std::string kPrintDivider(18, '-');

// The pages for the memos dated from `first` to `last`, both included, in
// file order. `charHeight` is the height of the 9-point font in printer
// pixels; a line is 5 pixels more. A memo that does not fit on the page,
// `pageHeight` pixels high, starts the next one, which is laid out as the
// first: the header, then the memos from the sixth line. Raises IoError
// when the file cannot be read.
std::vector<PrintText> printLayout(MemoFile& file, DaySerial first, DaySerial last, int charHeight,
                                   int pageHeight);

}  // namespace jotanor
