#include "diary/MemoViews.h"

#include "dates/Dates.h"
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

ViewWindow wholeFileWindow() { return {encodeDate(1940, 1, 1), encodeDate(2100, 12, 31), true, true, false, true}; }

const std::string& divider() {
    static const std::string kDivider(kDividerLength, '-');
    return kDivider;
}

void MemoBlocks::append(const unsigned char* record, std::uint32_t position, bool today) {
    entries_.push_back({position, today});
    records_.insert(records_.end(), record, record + MemoRecord::kSize);
}

void MemoBlocks::append(const MemoRecord& record, std::uint32_t position, bool today) {
    const RecordBytes bytes = encodeRecord(record);
    append(bytes.data(), position, today);
}

void MemoBlocks::clear() {
    entries_.clear();
    records_.clear();
}

void MemoBlocks::dropFrom(std::size_t b) {
    if (b >= entries_.size()) return;
    entries_.resize(b);
    records_.resize(b * MemoRecord::kSize);
}

void MemoBlocks::reserve(std::size_t more) {
    entries_.reserve(entries_.size() + more);
    records_.reserve(records_.size() + more * MemoRecord::kSize);
}

MemoRecord MemoBlocks::record(std::size_t b) const { return decodeRecord(bytes(b)); }

std::string MemoBlocks::line(std::size_t b, int part) const {
    switch (part) {
    case 0:
        // A search lists memos of any date; one the calendar cannot show
        // still gets its block.
        try {
            return today(b) ? std::string(kTodayMark) + datumtekst(date(b)) : datumtekst(date(b));
        } catch (const DateError&) {
            return "(datum onleesbaar)";
        }
    case 1: return std::string(line1(b));
    case 2: return std::string(line2(b));
    default: return divider();
    }
}

std::size_t fillBlocks(MemoFile& file, const ViewWindow& window, DaySerial today, MemoBlocks& blocks,
                       const std::function<void()>& chime) {
    const std::size_t before = blocks.size();
    std::size_t rung = 0;
    const auto list = [&](const unsigned char* bytes, std::size_t position) {
        const DaySerial d = recordDate(bytes);
        blocks.append(bytes, static_cast<std::uint32_t>(position), d == today);
        if (d == today && window.chime && chime) {
            ++rung;
            chime();
        }
    };
    if (window.valid && !window.whole) {
        // The file is in date order: the view's memos stand together from
        // the first one dated in the window on.
        const bool inOrder = file.scanFrom(window.low, [&](const unsigned char* bytes, std::size_t position) {
            if (!window.contains(recordDate(bytes))) return false;
            list(bytes, position);
            return true;
        });
        if (inOrder) return blocks.size() - before;
        // Out of order: listed again from a read of the whole file, each
        // memo of today chiming once in all.
        blocks.dropFrom(before);
    }
    std::size_t quiet = rung;
    file.scanBytes([&](const unsigned char* bytes, std::size_t position) {
        // Room for every record at once (the scan has counted them): a view
        // of the whole file then fills without moving what it has read.
        if (position == 0 && window.whole) blocks.reserve(file.recordCount());
        if (!window.contains(recordDate(bytes))) return true;
        if (quiet > 0 && recordDate(bytes) == today) {
            --quiet;
            blocks.append(bytes, static_cast<std::uint32_t>(position), true);
            return true;
        }
        list(bytes, position);
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
