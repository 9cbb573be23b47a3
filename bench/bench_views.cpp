// The memo list views and the holiday check on a memo file of 65,536 memos
// spread over 1940 to 2100, next to a baseline that reads the file once.
#include <QAction>
#include <QApplication>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <random>
#include <unistd.h>
#include <algorithm>
#include <cmath>

#include "bench/BenchFiles.h"
#include "bench/HeapCounter.h"
#include "dates/Dates.h"
#include "mainwindow/MemoListModel.h"
#include "diary/MemoCommands.h"
#include "diary/MemoViews.h"
#include "mainwindow/Tform1.h"

namespace jotanor {
namespace {

constexpr std::size_t kMemos = 65536;

class BenchPlatform : Clock, MessageBoxes, FileDialogs, Screen, Sound, WaitCursor, DateFormat {
public:
    Platform platform{this, this, this, this, this, this, this, &nativeFileSystem(), nullptr, nullptr};
    int errors = 0;

private:
    Ymd today() const override { return {2026, 12, 6}; }
    MsgResult show(MsgKind kind, const QString&, MsgButtons) override {
        errors += kind == MsgKind::Error;
        return MsgResult::Ok;
    }
    std::optional<QString> openFile(const QString&, const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> saveFile(const QString&) override { return std::nullopt; }
    QSize size() const override { return {1280, 1024}; }
    bool playWave(const QString&) override { return true; }
    void beep() override {}
    void begin() override {}
    void end() override {}
    QString shortDate(const Ymd& d) const override { return QString("%1-%2-%3").arg(d.day).arg(d.month).arg(d.year); }
};

// Runs the window's command `name` as its menu item or key does.
void runCommand(Tform1& form, const char* name) { form.findChild<QAction*>(name)->trigger(); }

// The program's world for the benchmarks: an offscreen application, a
// working folder with the big memo file, and a main window on it.
struct World {
    World() {
        dir = std::filesystem::temp_directory_path() / ("jotanor_bench_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        writeMemoFile();
        form = new Tform1(bench.platform);
        form->FormCreate();
        holidayCheck(form->session().file(), 2026);  // the twelve holiday memos now exist
        form->resize(635, 900);
        form->show();
        QApplication::processEvents();
        fileSize = std::filesystem::file_size(dir / "jotanor1.mem");
    }
    ~World() {
        delete form;
        std::filesystem::current_path(std::filesystem::temp_directory_path());
        std::filesystem::remove_all(dir);
    }

    // 65,524 memos plus the 12 holiday memos added afterwards.
    void writeMemoFile() {
        std::mt19937 random(1940);
        const double first = encodeDate(1940, 1, 1);
        const double last = encodeDate(2100, 12, 31);
        std::uniform_real_distribution<double> day(first, last + 1);
        std::uniform_int_distribution<int> length(5, 100);
        std::vector<double> dates(kMemos - 12);
        for (double& d : dates) d = std::floor(day(random));
        std::sort(dates.begin(), dates.end());
        std::vector<unsigned char> bytes;
        bytes.reserve(kMemos * MemoRecord::kSize);
        for (double d : dates) {
            MemoRecord r{d, std::string(static_cast<std::size_t>(length(random)), 'a'),
                         std::string(static_cast<std::size_t>(length(random)) / 2, 'b')};
            const RecordBytes rec = encodeRecord(r);
            bytes.insert(bytes.end(), rec.begin(), rec.end());
        }
        auto file = nativeFileSystem().open(dir / "jotanor1.mem", OpenMode::CreateTruncate);
        file->writeAt(0, bytes.data(), bytes.size());
        file->close();
    }

    BenchPlatform bench;
    std::filesystem::path dir;
    Tform1* form = nullptr;
    std::uintmax_t fileSize = 0;
};

// Made on first use and ended by main() while the application still runs:
// a window must not outlive the QApplication it was made in.
std::unique_ptr<World> theWorld;

World& world() {
    if (!theWorld) theWorld = std::make_unique<World>();
    return *theWorld;
}

// The main window's list and its rows, found by their names.
QTableView* list(Tform1& form) { return form.findChild<QTableView*>("ListBox1"); }
MemoListModel* rows(Tform1& form) { return form.findChild<MemoListModel*>("listModel"); }

// Lays the list's rows out now, which Qt would otherwise do when control
// returns to the event loop.
void layOut(Tform1& form) { list(form)->doItemsLayout(); }

void BM_Baseline_ReadFileOnce(benchmark::State& state) {
    World& w = world();
    std::vector<unsigned char> bytes;
    for (auto _ : state) {
        auto file = nativeFileSystem().open(w.dir / "jotanor1.mem", OpenMode::ReadOnly);
        bytes.resize(static_cast<std::size_t>(file->size()));
        file->readAt(0, bytes.data(), bytes.size());
        file->close();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["records"] = static_cast<double>(bytes.size() / MemoRecord::kSize);
}
BENCHMARK(BM_Baseline_ReadFileOnce)->Unit(benchmark::kMillisecond);

// The memo file read once the program's own way: every record into a memo.
void BM_Baseline_ReadRecordsOnce(benchmark::State& state) {
    World& w = world();
    for (auto _ : state) {
        std::vector<MemoRecord> all = w.form->session().file().readAll();
        benchmark::DoNotOptimize(all.data());
    }
}
BENCHMARK(BM_Baseline_ReadRecordsOnce)->Unit(benchmark::kMillisecond);

void BM_TenWeekView(benchmark::State& state) {
    Tform1& form = *world().form;
    for (auto _ : state) {
        runCommand(form, "tenWeeks");
        layOut(form);
    }
    state.counters["blocks"] = static_cast<double>(rows(form)->blockCount());
}
BENCHMARK(BM_TenWeekView)->Unit(benchmark::kMillisecond);

// The from-date and year views' own part: the diary's lists, without the widget.
void BM_FromDateView(benchmark::State& state) {
    Session& session = world().form->session();
    std::size_t n = 0;
    for (auto _ : state) {
        MemoBlocks blocks;
        n = session.listFrom(encodeDate(2000, 1, 1), blocks);
    }
    state.counters["blocks"] = static_cast<double>(n);
}
BENCHMARK(BM_FromDateView)->Unit(benchmark::kMillisecond);

void BM_YearView(benchmark::State& state) {
    Session& session = world().form->session();
    std::size_t n = 0;
    for (auto _ : state) {
        MemoBlocks blocks;
        n = session.listYear(2026, blocks);
    }
    state.counters["blocks"] = static_cast<double>(n);
}
BENCHMARK(BM_YearView)->Unit(benchmark::kMillisecond);

// The dated views' own part on files of 4,096 to 262,144 memos (memos
// spread evenly over 1940 to 2100): view 0 the ten weeks, 1 the from-date
// view, 2 the year. Time and heap follow the memos listed, not the file.
void BM_ViewByFileSize(benchmark::State& state) {
    MemoFile file(nativeFileSystem(), bench::memoFileOf(static_cast<std::size_t>(state.range(0))));
    const DaySerial today = encodeDate(2026, 5, 2);
    const ViewWindow windows[] = {tenWeekWindow(today, 0), fromDateWindow(today), yearWindow(2026)};
    long long worst = 0;
    std::size_t n = 0;
    for (auto _ : state) {
        bench::resetHeapPeak();
        const long long before = bench::heapInUse();
        MemoBlocks blocks;
        n = fillBlocks(file, windows[state.range(1)], today, blocks);
        worst = std::max(worst, bench::heapPeak() - before);
    }
    state.counters["blocks"] = static_cast<double>(n);
    state.counters["peak_KB"] = static_cast<double>(worst) / 1e3;
}
BENCHMARK(BM_ViewByFileSize)
    ->ArgsProduct({{4096, 65536, 262144}, {0, 1, 2}})
    ->ArgNames({"memos", "view"})
    ->Unit(benchmark::kMillisecond);

void BM_WholeFileView(benchmark::State& state) {
    World& w = world();
    Tform1& form = *w.form;
    long long worst = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rows(form)->clear();
        layOut(form);
        bench::resetHeapPeak();
        const long long empty = bench::heapInUse();
        state.ResumeTiming();

        runCommand(form, "Helebestand");
        layOut(form);

        state.PauseTiming();
        worst = std::max(worst, bench::heapPeak() - empty);
        state.ResumeTiming();
    }
    state.counters["blocks"] = static_cast<double>(rows(form)->blockCount());
    state.counters["peak_MB"] = static_cast<double>(worst) / 1e6;
    state.counters["peak_per_file"] = static_cast<double>(worst) / static_cast<double>(w.fileSize);
}
BENCHMARK(BM_WholeFileView)->Unit(benchmark::kMillisecond);

// The part of the whole-file view that is ours: reading the file and
// building the blocks, without the list widget.
void BM_WholeFileBlocksOnly(benchmark::State& state) {
    World& w = world();
    const DaySerial today = encodeDate(2026, 12, 6);
    for (auto _ : state) {
        MemoBlocks blocks;
        fillBlocks(w.form->session().file(), wholeFileWindow(), today, blocks);
        benchmark::DoNotOptimize(blocks.size());
    }
}
BENCHMARK(BM_WholeFileBlocksOnly)->Unit(benchmark::kMillisecond);

// Painting one screen of the list: the same for every view and every file.
void BM_PaintOneScreen(benchmark::State& state) {
    Tform1& form = *world().form;
    runCommand(form, "tenWeeks");
    layOut(form);
    for (auto _ : state) list(form)->viewport()->repaint();
}
BENCHMARK(BM_PaintOneScreen)->Unit(benchmark::kMillisecond);

void BM_HolidayCheck_AllPresent(benchmark::State& state) {
    World& w = world();
    for (auto _ : state) holidayCheck(w.form->session().file(), 2026);
    state.counters["file_records"] = static_cast<double>(w.fileSize / MemoRecord::kSize);
}
BENCHMARK(BM_HolidayCheck_AllPresent)->Unit(benchmark::kMillisecond);

// From the start of the program to its first painted list: the main
// window's creation step, its dialogs, and showing the window, which runs
// the activation step (holiday check, settings, the ten-week view) and
// paints it once. Argument 0: a memo file that
// holds only the twelve holiday memos; 1: the file of 65,536 memos.
void BM_StartUpToFirstPaint(benchmark::State& state) {
    World& w = world();
    const auto folder = w.dir / (state.range(0) ? "full" : "empty");
    std::filesystem::create_directories(folder);
    if (state.range(0)) {
        std::filesystem::copy_file(w.dir / "jotanor1.mem", folder / "jotanor1.mem",
                                   std::filesystem::copy_options::overwrite_existing);
    } else {
        MemoFile holidaysOnly(nativeFileSystem(), folder / "jotanor1.mem");
        holidaysOnly.create();
        w.form->session().file().setPath(folder / "jotanor1.mem");
        holidayCheck(w.form->session().file(), 2026);
    }
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    for (auto _ : state) {
        Tform1 form(w.bench.platform);
        form.FormCreate();
        form.show();
        QApplication::processEvents();
    }
    std::filesystem::current_path(before);
    w.form->session().file().setPath(w.dir / "jotanor1.mem");
}
BENCHMARK(BM_StartUpToFirstPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

void endBenchWorld() { theWorld.reset(); }

}  // namespace jotanor
