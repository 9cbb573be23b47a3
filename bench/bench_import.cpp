// An iCalendar import into an empty diary as `jotanor-cli import-ics` makes
// it: 15,000 and 60,000 all-day events on days in no order (as a phone's
// export may list them), each stored at its place in date order. The
// fitted complexity tells whether adding n memos stays near n log n.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/Cli.h"
#include "dates/Dates.h"

namespace jotanor {
namespace {

std::filesystem::path eventsFileOf(std::size_t count) {
    const auto path = std::filesystem::temp_directory_path() / "jotanor-bench" / ("events-" + std::to_string(count) + ".ics");
    if (std::filesystem::exists(path)) return path;
    std::filesystem::create_directories(path.parent_path());
    std::mt19937 random(static_cast<unsigned>(count));
    std::ofstream out(path, std::ios::binary);
    out << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bank//NL\r\n";
    for (std::size_t i = 0; i < count; ++i) {
        const Ymd day = decodeDate(encodeDate(2000, 1, 1) + static_cast<double>(random() % (40 * 365)));
        char start[16];
        std::snprintf(start, sizeof start, "%04d%02d%02d", day.year, day.month, day.day);
        out << "BEGIN:VEVENT\r\nUID:e" << i << "@bank\r\nDTSTAMP:20260501T000000Z\r\nDTSTART;VALUE=DATE:" << start
            << "\r\nSUMMARY:Afspraak " << i << "\r\nEND:VEVENT\r\n";
    }
    out << "END:VCALENDAR\r\n";
    return path;
}

void BM_ImportIcs(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto events = eventsFileOf(count);
    const auto diary = events.parent_path() / "import.mem";
    struct : Clock {
        Ymd today() const override { return {2026, 5, 2}; }
    } clock;
    const cli::Machine machine{nativeFileSystem(), clock, [] { return std::string("20260502T000000Z"); }};
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(diary);
        std::ofstream(diary, std::ios::binary).close();
        state.ResumeTiming();
        std::ostringstream out, err;
        if (cli::run({"--file", diary.string(), "--today", "2026-05-02", "import-ics", events.string()}, machine, out, err) !=
            cli::kDone)
            state.SkipWithError(err.str().c_str());
    }
    state.SetComplexityN(static_cast<benchmark::IterationCount>(count));
    state.counters["us_per_event"] =
        benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ImportIcs)->Arg(15000)->Arg(60000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);

}  // namespace
}  // namespace jotanor
