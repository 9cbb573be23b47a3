// The search, and entering, changing and deleting a memo near the front of
// the file, next to the cost of reading the same file once.
#include <benchmark/benchmark.h>

#include "BenchFiles.h"
#include "dates/Dates.h"
#include "diary/MemoCommands.h"
#include "diary/MemoViews.h"
#include "diary/Selection.h"
#include "diary/Search.h"
#include "store/MemoFile.h"

namespace jotanor::bench {
namespace {

constexpr std::size_t kMemos = 65536;
const DaySerial kToday = encodeDate(2026, 12, 6);

void BM_Records_ReadOnceBaseline(benchmark::State& state) {
    const auto path = memoFileOf(kMemos);
    for (auto _ : state) readOnce(path);
}
BENCHMARK(BM_Records_ReadOnceBaseline)->Unit(benchmark::kMillisecond);

struct SearchCase {
    const char* text;
    bool caseCounts;
};
// Every memo of the file holds "tandarts"; two in three hold "kaart".
constexpr SearchCase kSearches[] = {
    {"tandarts", true},          // one word, case counts
    {"TANDARTS", false},         // one word, folded
    {"tandarts,kaart", true},    // two words, case counts
    {"Tandarts , KAART", false}, // two words, folded
    {"4711", true},               // one word, seven memos
};

void BM_Search(benchmark::State& state) {
    MemoFile file(nativeFileSystem(), memoFileOf(kMemos));
    const SearchCase& c = kSearches[state.range(0)];
    std::size_t found = 0;
    for (auto _ : state) {
        const SearchFilter filter(searchWords(c.text, c.caseCounts), c.caseCounts);
        MemoBlocks blocks;
        found = fillSearchBlocks(file, filter, kToday, blocks);
        benchmark::DoNotOptimize(blocks.size());
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_Search)->DenseRange(0, 4)->ArgName("case")->Unit(benchmark::kMillisecond);

// A memo dated early in 1940 lands near the front of the file.
// What a record command ends with: the ten-week view read anew.
void reshow(MemoFile& file) {
    MemoBlocks blocks;
    fillBlocks(file, tenWeekWindow(kToday, 0), kToday, blocks);
    benchmark::DoNotOptimize(blocks.size());
}

const MemoRecord kFrontMemo{encodeDate(1940, 3, 1), "Nieuwe memo", "tweede regel"};

void BM_EnterNearFront(benchmark::State& state) {
    MemoFile file(nativeFileSystem(), memoFileOf(kMemos));
    for (auto _ : state) {
        const std::size_t at = mydata1_opbergen(file, kFrontMemo);
        reshow(file);
        state.PauseTiming();
        wisrecord1(file, {kFrontMemo, at});
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EnterNearFront)->Unit(benchmark::kMillisecond);

void BM_ChangeNearFront(benchmark::State& state) {
    MemoFile file(nativeFileSystem(), memoFileOf(kMemos));
    std::size_t position = 5;
    const MemoRecord original = *file.readAt(position);
    for (auto _ : state) {
        // Selecting the memo checks it against the file first.
        const Selection k = selectMemo(file, ShownMemo{datumtekst(original.date), original, position});
        changeMemo(file, {k.record, static_cast<std::size_t>(k.index)}, kFrontMemo);
        reshow(file);
        state.PauseTiming();
        changeMemo(file, {kFrontMemo, *locateMemo(file, {kFrontMemo, 0})}, original);
        position = *locateMemo(file, {original, position});
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ChangeNearFront)->Unit(benchmark::kMillisecond);

void BM_DeleteNearFront(benchmark::State& state) {
    MemoFile file(nativeFileSystem(), memoFileOf(kMemos));
    std::size_t position = 5;
    const MemoRecord original = *file.readAt(position);
    for (auto _ : state) {
        const Selection k = selectMemo(file, ShownMemo{datumtekst(original.date), original, position});
        wisrecord1(file, {k.record, static_cast<std::size_t>(k.index)});
        reshow(file);
        state.PauseTiming();
        position = mydata1_opbergen(file, original);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteNearFront)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace jotanor::bench
