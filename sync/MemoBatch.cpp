#include "sync/MemoBatch.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <variant>

namespace jotanor::sync {
namespace {

constexpr std::size_t kRec = MemoRecord::kSize;

// A memo's date and both lines, as a key.
std::string keyOf(DaySerial date, std::string_view line1, std::string_view line2) {
    std::string key(reinterpret_cast<const char*>(&date), sizeof date);
    key += static_cast<char>(line1.size());
    key += line1;
    key += static_cast<char>(line2.size());
    key += line2;
    return key;
}

}  // namespace

std::string memoKey(const MemoRecord& memo) {
    // As stored: a line longer than 100 bytes is kept cut.
    const RecordBytes bytes = encodeRecord(memo);
    return keyOf(memo.date, recordLine1(bytes.data()), recordLine2(bytes.data()));
}

BatchResult applyBatch(MemoFile& file, const MemoBatch& batch) {
    BatchResult result;
    file.modify([&](std::span<const unsigned char> records) -> std::optional<TailChange> {
        result = {std::vector<bool>(batch.remove.size()), std::vector<bool>(batch.add.size())};
        const std::size_t n = records.size() / kRec;
        const auto at = [&](std::size_t j) { return records.data() + j * kRec; };
        std::unordered_map<std::string, std::vector<std::size_t>> places;
        places.reserve(n);
        for (std::size_t j = n; j-- > 0;) places[keyOf(recordDate(at(j)), recordLine1(at(j)), recordLine2(at(j)))].push_back(j);

        std::vector<bool> gone(n);
        for (std::size_t i = 0; i < batch.remove.size(); ++i) {
            auto& found = places[memoKey(batch.remove[i])];
            if (found.empty()) continue;
            gone[found.back()] = true;  // the first in file order
            found.pop_back();
            result.removed[i] = true;
        }
        std::vector<std::size_t> fresh;  // into batch.add
        for (std::size_t i = 0; i < batch.add.size(); ++i) {
            auto& found = places[memoKey(batch.add[i])];
            if (batch.skipPresent && !found.empty()) continue;
            if (batch.skipPresent) found.push_back(n);  // the batch holds it now
            fresh.push_back(i);
            result.added[i] = true;
        }
        if (fresh.empty() && std::find(gone.begin(), gone.end(), true) == gone.end()) return std::nullopt;
        std::stable_sort(fresh.begin(), fresh.end(),
                         [&](std::size_t a, std::size_t b) { return batch.add[a].date < batch.add[b].date; });

        // The new order: an old record by its index, or a new one by its place in `fresh`.
        std::vector<std::size_t> kept;
        for (std::size_t j = 0; j < n; ++j)
            if (!gone[j]) kept.push_back(j);
        std::vector<std::variant<std::size_t, const MemoRecord*>> order;
        order.reserve(kept.size() + fresh.size());
        std::size_t k = 0;
        for (const std::size_t i : fresh) {
            const MemoRecord& memo = batch.add[i];
            while (k < kept.size() && !(recordDate(at(kept[k])) >= memo.date)) order.emplace_back(kept[k++]);
            // Before the records of its date, unless the only one is the last of the file.
            if (k + 1 == kept.size() && recordDate(at(kept[k])) == memo.date) order.emplace_back(kept[k++]);
            order.emplace_back(&memo);
        }
        while (k < kept.size()) order.emplace_back(kept[k++]);

        std::size_t from = 0;
        while (from < order.size() && from < n && std::holds_alternative<std::size_t>(order[from]) &&
               std::get<std::size_t>(order[from]) == from)
            ++from;
        TailChange change{from, {}};
        for (std::size_t p = from; p < order.size();) {
            if (const auto* memo = std::get_if<const MemoRecord*>(&order[p])) {
                const RecordBytes bytes = encodeRecord(**memo);
                change.add(bytes);
                ++p;
                continue;
            }
            // A run of old records that follow one another.
            const std::size_t first = std::get<std::size_t>(order[p]);
            std::size_t end = first + 1;
            for (++p; p < order.size() && std::holds_alternative<std::size_t>(order[p]) &&
                      std::get<std::size_t>(order[p]) == end;
                 ++p)
                ++end;
            change.old(first, end);
        }
        return change;
    });
    return result;
}

}  // namespace jotanor::sync
