#include "store/Recurrence.h"

#include "store/Errors.h"

namespace jotanor {
namespace {

std::optional<Ymd> split(DaySerial date) {
    try {
        return decodeDate(date);
    } catch (const DateError&) {
        return std::nullopt;
    }
}

std::string memoPart(const Ymd& d, const MemoRecord& r) {
    return "\n\ndd. " + std::to_string(d.day) + "-" + std::to_string(d.month) + "-" + std::to_string(d.year) + "\n" +
           r.line1 + "\n" + r.line2 + "\n";
}

}  // namespace

bool isDue(const MemoRecord& record, DaySerial today) {
    return record.starred() && record.date < today - 14 && split(record.date).has_value();
}

std::optional<StarredMemo> findstarred1(MemoFile& file, DaySerial today) {
    std::optional<StarredMemo> found;
    file.scanBytes([&](const unsigned char* bytes, std::size_t position) {
        // Most memos carry no star: look at the first character before decoding.
        const std::string_view line1 = recordLine1(bytes);
        if (line1.empty() || line1[0] != '*') return true;
        const MemoRecord r = decodeRecord(bytes);
        if (!isDue(r, today)) return true;
        found = StarredMemo{r, position + 1};
        return false;
    });
    return found;
}

Ymd oneYearLater(const Ymd& d) {
    Ymd next{static_cast<std::uint16_t>(d.year + 1), d.month, d.day};
    if (d.month == 2 && d.day == 29 && !isLeapYear(next.year)) next.day = 28;
    return next;
}

std::string moveQuestion(const Ymd& present, const MemoRecord& record) {
    return memoPart(present, record) + "Bovenstaand record is volgend jaar ook nog geldig.\n" +
           "Nu dus maar verplaatsen naar 1 jaar later?";
}

std::string dropStarQuestion(const Ymd& present, const MemoRecord& record) {
    return memoPart(present, record) + "zal ik laten staan, maar het sterretje verwijderen.";
}

void runRecurrence(MemoFile& file, DaySerial today, RecurrenceQuestions& questions, MemoRecord& buffer) {
    while (auto found = findstarred1(file, today)) {
        MemoRecord r = found->record;
        const Ymd present = decodeDate(r.date);
        const std::size_t index = found->position - 1;
        if (questions.askMove(moveQuestion(present, r))) {
            r.date = encodeDate(oneYearLater(present));
        } else if (questions.askDropStar(dropStarQuestion(present, r))) {
            r.date = encodeDate(present);
            r.line1.erase(0, 1);
        } else {
            continue;  // left as it is, and asked about again
        }
        buffer = r;
        // Another copy of the program may have moved the memo while the
        // question was open; then there is nothing left to do for it, and
        // the pass stops rather than ask about a memo that is gone.
        if (!file.change(found->record, index, r)) return;
    }
}

}  // namespace jotanor
