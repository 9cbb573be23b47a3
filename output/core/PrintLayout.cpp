#include "output/core/PrintLayout.h"

#include "dates/Dates.h"

namespace jotanor {

std::vector<PrintText> printLayout(MemoFile& file, DaySerial first, DaySerial last, int charHeight,
                                   int pageHeight) {
    constexpr int kFirstMemoLine = 6;
    const int lineHeight = 5 + charHeight;
    const std::string header = "Memo-overzicht van " + datumtekst(first) + " t/m " + datumtekst(last);
    std::vector<PrintText> pages;
    int page = 0;
    int line = kFirstMemoLine;
    pages.push_back({kPrintMargin, lineHeight * 3, PrintStyle::Header, header, page});
    auto put = [&](int x, const std::string& text) {
        pages.push_back({x, lineHeight * line, PrintStyle::Body, text, page});
        ++line;
    };
    file.scan([&](const MemoRecord& memo, std::size_t) {
        if (memo.date < first || memo.date > last) return true;
        // A memo is not split over two pages; one that fits on no page
        // still gets a page of its own.
        const int lines = memo.line2.empty() ? 3 : 4;
        const long long bottom = static_cast<long long>(lineHeight) * (line + lines - 1) + charHeight;
        if (bottom > pageHeight && line > kFirstMemoLine) {
            ++page;
            line = kFirstMemoLine;
            pages.push_back({kPrintMargin, lineHeight * 3, PrintStyle::Header, header, page});
        }
        put(kPrintMargin, datumtekst(memo.date));
        put(kPrintIndent, memo.line1);
        if (!memo.line2.empty()) put(kPrintIndent, memo.line2);
        put(kPrintMargin, kPrintDivider);
        return true;
    });
    return pages;
}

}  // namespace jotanor
