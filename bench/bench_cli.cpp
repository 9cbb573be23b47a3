// The command-line program's work on a memo file of 65,536 memos, without
// the start of its process: each list as `jotanor-cli list` prints it, and
// the iCalendar export, beside one read of the file as `cat` reads it.
#include <benchmark/benchmark.h>
#include <sstream>

#include "BenchFiles.h"
#include "cli/Cli.h"

namespace jotanor {
namespace {

void runCli(benchmark::State& state, const std::vector<std::string>& command) {
    std::vector<std::string> args = {"--file", bench::memoFileOf(65536).string(), "--today", "2026-05-02"};
    args.insert(args.end(), command.begin(), command.end());
    std::size_t printed = 0;
    // --today gives the day; the clock is never read.
    struct : Clock {
        Ymd today() const override { return {2026, 5, 2}; }
    } clock;
    const cli::Machine machine{nativeFileSystem(), clock, [] { return std::string("20260502T000000Z"); }};
    for (auto _ : state) {
        std::ostringstream out, err;
        if (cli::run(args, machine, out, err) != cli::kDone) state.SkipWithError(err.str().c_str());
        printed = static_cast<std::size_t>(out.tellp());
    }
    state.counters["output_bytes"] = static_cast<double>(printed);
}

void BM_Cli_ListTenWeeks(benchmark::State& state) { runCli(state, {"list"}); }
BENCHMARK(BM_Cli_ListTenWeeks)->Unit(benchmark::kMillisecond);

void BM_Cli_ListFromDate(benchmark::State& state) { runCli(state, {"list", "--from", "2026-05-02"}); }
BENCHMARK(BM_Cli_ListFromDate)->Unit(benchmark::kMillisecond);

void BM_Cli_ListYear(benchmark::State& state) { runCli(state, {"list", "--year", "2026"}); }
BENCHMARK(BM_Cli_ListYear)->Unit(benchmark::kMillisecond);

void BM_Cli_ListAll(benchmark::State& state) { runCli(state, {"list", "--all"}); }
BENCHMARK(BM_Cli_ListAll)->Unit(benchmark::kMillisecond);

void BM_Cli_CatBaseline(benchmark::State& state) {
    const auto path = bench::memoFileOf(65536);
    for (auto _ : state) bench::catOnce(path);
}
BENCHMARK(BM_Cli_CatBaseline)->Unit(benchmark::kMillisecond);

void BM_Cli_ExportIcs(benchmark::State& state) { runCli(state, {"export-ics"}); }
BENCHMARK(BM_Cli_ExportIcs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace jotanor
