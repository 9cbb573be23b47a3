#include "mainwindow/MemoViews.h"

#include "calendar/Dates.h"
#include "store/Errors.h"

namespace jotanor {

bool ViewWindow::contains(DaySerial d) const {
    if (!valid) throw DateError();
    return low <= d && (highIncluded ? d <= high : d < high);
}

ViewWindow tenWeekWindow(DaySerial today, int weeksBack) {
    const DaySerial s = today - 1 - 7.0 * weeksBack;
    return {s, s + 71, false};
}

ViewWindow fromDateWindow(DaySerial from) { return {from, from + 63, false}; }

ViewWindow yearWindow(int year) {
    if (!isValidDate(year, 1, 1)) return ViewWindow{0, 0, true, false};
    return {encodeDate(year, 1, 1), encodeDate(year, 12, 31), true};
}

ViewWindow wholeFileWindow() { return {encodeDate(1940, 1, 1), encodeDate(2100, 12, 31), true, true, false}; }

const std::string& divider() {
    static const std::string kDivider(kDividerLength, '-');
    return kDivider;
}

std::string blockLine(const MemoBlock& block, int line) {
    switch (line) {
    case 0: return block.today ? ">> " + datumtekst(block.record.date) : datumtekst(block.record.date);
    case 1: return block.record.line1;
    case 2: return block.record.line2;
    default: return divider();
    }
}

std::size_t fillBlocks(MemoFile& file, const ViewWindow& window, DaySerial today, std::vector<MemoBlock>& blocks,
                       const std::function<void()>& chime) {
    const std::size_t before = blocks.size();
    file.scanBytes([&](const unsigned char* bytes, std::size_t position) {
        const DaySerial d = recordDate(bytes);
        if (!window.contains(d)) return true;
        MemoBlock block{static_cast<std::uint32_t>(position), d == today, decodeRecord(bytes)};
        blocks.push_back(std::move(block));
        if (blocks.back().today && window.chime && chime) chime();
        return true;
    });
    return blocks.size() - before;
}

std::string tenWeekTitle(int weeksBack) {
    return "Memo's: 10 weken vanaf " + std::to_string(weeksBack) + (weeksBack == 1 ? " week terug" : " weken terug");
}

std::string fromDateTitle(const std::string& shortDate) { return "Memo's van 10 weken vanaf " + shortDate; }

std::string yearTitle(std::size_t count, int year) {
    return "Alle " + std::to_string(count) + " memo's van het jaar " + std::to_string(year);
}

std::string wholeFileTitle(std::size_t count) { return "Alle " + std::to_string(count) + " memo\"s"; }

}  // namespace jotanor
