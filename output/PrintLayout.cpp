#include "output/PrintLayout.h"

#include "calendar/Dates.h"

namespace jotanor {

std::vector<PrintText> printLayout(MemoFile& file, DaySerial first, DaySerial last, int charHeight) {
    const int lineHeight = 5 + charHeight;
    std::vector<PrintText> page;
    page.push_back({kPrintMargin, lineHeight * 3, PrintStyle::Header,
                    "Memo-overzicht van " + datumtekst(first) + " t/m " + datumtekst(last)});
    int line = 6;
    auto put = [&](int x, const std::string& text) {
        page.push_back({x, lineHeight * line, PrintStyle::Body, text});
        ++line;
    };
    file.scan([&](const MemoRecord& memo, std::size_t) {
        if (memo.date >= first && memo.date <= last) {
            put(kPrintMargin, datumtekst(memo.date));
            put(kPrintIndent, memo.line1);
            if (!memo.line2.empty()) put(kPrintIndent, memo.line2);
            put(kPrintMargin, kPrintDivider);
        }
        return true;
    });
    return page;
}

std::vector<std::string> dayMemoLines(MemoFile& file, DaySerial day) {
    std::vector<std::string> lines;
    file.scan([&](const MemoRecord& memo, std::size_t) {
        if (memo.date == day) {
            if (lines.empty()) lines.push_back(datumtekst(day));
            lines.push_back(memo.line1);
            if (!memo.line2.empty()) lines.push_back(memo.line2);
            lines.push_back(kPrintDivider);
        }
        return true;
    });
    return lines;
}

}  // namespace jotanor
