// Storing and deleting memos, next to the cost of reading and writing the
// same file once.
#include <benchmark/benchmark.h>

#include "BenchFiles.h"
#include "dates/Dates.h"
#include "diary/MemoCommands.h"
#include "store/MemoFile.h"

namespace jotanor::bench {
namespace {

void BM_ReadWriteBaseline(benchmark::State& state) {
    auto path = memoFileOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) readAndWriteOnce(path);
}
BENCHMARK(BM_ReadWriteBaseline)->Arg(1000)->Arg(65536)->Unit(benchmark::kMillisecond);

// What a journal of the whole file costs on its own: the file's bytes
// written to a fresh file beside it and synced with its name, then removed.
// A store at the front pays this and the baseline above.
void BM_FreshCopyBaseline(benchmark::State& state) {
    auto path = memoFileOf(static_cast<std::size_t>(state.range(0)));
    FileSystem& fs = nativeFileSystem();
    const auto bytes = fs.open(path, OpenMode::ReadOnly)->readAll();
    auto copy = path;
    copy += ".copy";
    for (auto _ : state) {
        auto file = fs.open(copy, OpenMode::CreateNew);
        file->writeAt(0, bytes.data(), bytes.size());
        file->sync();
        fs.syncFolder(path.parent_path());
        file->close();
        fs.remove(copy);
        fs.syncFolder(path.parent_path());
    }
}
BENCHMARK(BM_FreshCopyBaseline)->Arg(65536)->Unit(benchmark::kMillisecond);

// Where a new memo lands: 0 front, 1 middle, 2 end.
void BM_Store(benchmark::State& state) {
    auto path = memoFileOf(static_cast<std::size_t>(state.range(0)));
    MemoFile file(nativeFileSystem(), path);
    const double dates[] = {encodeDate(1900, 1, 1), encodeDate(2020, 6, 15), encodeDate(2200, 1, 1)};
    const MemoRecord memo{dates[state.range(1)], "Nieuwe memo", "tweede regel"};
    for (auto _ : state) {
        std::size_t at = mydata1_opbergen(file, memo);
        state.PauseTiming();
        wisrecord1(file, {memo, at});
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Store)
    ->ArgsProduct({{1000, 65536}, {0, 1, 2}})
    ->ArgNames({"memos", "place"})
    ->Unit(benchmark::kMillisecond);

void BM_DeleteFront(benchmark::State& state) {
    auto path = memoFileOf(static_cast<std::size_t>(state.range(0)));
    MemoFile file(nativeFileSystem(), path);
    for (auto _ : state) {
        state.PauseTiming();
        MemoRecord first = *file.readAt(0);
        state.ResumeTiming();
        wisrecord1(file, {first, 0});
        state.PauseTiming();
        mydata1_opbergen(file, first);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteFront)->Arg(1000)->Arg(65536)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace jotanor::bench
