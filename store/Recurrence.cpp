#include "store/Recurrence.h"

#include <cstring>

#include "store/Errors.h"

namespace jotanor {
namespace {

constexpr std::size_t kRec = MemoRecord::kSize;

std::optional<Ymd> split(DaySerial date) {
    try {
        return decodeDate(date);
    } catch (const DateError&) {
        return std::nullopt;
    }
}

bool dueRecord(const unsigned char* bytes, DaySerial today) {
    // Most memos carry no star: look at the first character before decoding.
    const std::string_view line1 = recordLine1(bytes);
    return !line1.empty() && line1[0] == '*' && isDue(decodeRecord(bytes), today);
}

bool sameMemo(const unsigned char* a, const unsigned char* b) {
    return std::memcmp(a, b, 8) == 0 && recordLine1(a) == recordLine1(b) && recordLine2(a) == recordLine2(b);
}

}  // namespace

bool isDue(const MemoRecord& record, DaySerial today) {
    return record.starred() && record.date < today - 14 && split(record.date).has_value();
}

std::optional<StarredMemo> findstarred1(MemoFile& file, DaySerial today) {
    std::optional<StarredMemo> found;
    file.scanBytes([&](const unsigned char* bytes, std::size_t position) {
        if (!dueRecord(bytes, today)) return true;
        found = StarredMemo{decodeRecord(bytes), position + 1};
        return false;
    });
    return found;
}

Ymd oneYearLater(const Ymd& d) {
    Ymd next{static_cast<std::uint16_t>(d.year + 1), d.month, d.day};
    if (d.month == 2 && d.day == 29 && !isLeapYear(next.year)) next.day = 28;
    return next;
}

std::vector<YearlyChange> yearlyChanges(std::span<const unsigned char> records, DaySerial today,
                                        const std::function<YearlyAnswer(const MemoRecord& due)>& answer) {
    std::vector<unsigned char> image(records.begin(), records.end());
    std::vector<YearlyChange> changes;
    for (std::size_t j = 0; j * kRec < image.size();) {
        if (!dueRecord(image.data() + j * kRec, today)) {
            ++j;
            continue;
        }
        YearlyChange change{decodeRecord(image.data() + j * kRec), j, {}, 0};
        const Ymd present = decodeDate(change.was.date);
        change.becomes = change.was;
        switch (answer(change.was)) {
        case YearlyAnswer::Move: change.becomes.date = encodeDate(oneYearLater(present)); break;
        case YearlyAnswer::DropStar:
            change.becomes.date = encodeDate(present);
            change.becomes.line1.erase(0, 1);
            break;
        case YearlyAnswer::AskAgain: continue;
        }
        image.erase(image.begin() + static_cast<std::ptrdiff_t>(j * kRec),
                    image.begin() + static_cast<std::ptrdiff_t>((j + 1) * kRec));
        const RecordBytes now = encodeRecord(change.becomes);
        for (std::size_t k = 0; k * kRec < image.size(); ++k) change.copies += sameMemo(image.data() + k * kRec, now.data());
        const std::size_t at = storePosition(image, change.becomes.date);
        image.insert(image.begin() + static_cast<std::ptrdiff_t>(at * kRec), now.begin(), now.end());
        changes.push_back(std::move(change));
        // The first due memo in file order may now lie before this place.
        j = 0;
    }
    return changes;
}

}  // namespace jotanor
