// Arbitrary bytes as a memo file, read the ways the windows read it: the
// list views, the search, the selection of a shown memo and the scan for
// starred memos. The first bytes choose today, the view and the words.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "dates/Dates.h"
#include "diary/MemoCommands.h"
#include "diary/MemoViews.h"
#include "diary/Selection.h"
#include "diary/Search.h"
#include "store/Errors.h"
#include "store/MemoFile.h"

namespace {

using namespace jotanor;

// Moves a memo twice, then drops the star, so the pass always ends.
class Answers : public RecurrenceQuestions {
public:
    bool askMove(const std::string&) override { return ++moves_ <= 2; }
    bool askDropStar(const std::string&) override { return true; }

private:
    int moves_ = 0;
};

template <typename F>
void dateErrorsAllowed(F&& f) {
    try {
        f();
    } catch (const DateError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    static const std::filesystem::path folder =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    static const std::filesystem::path path = folder / ("jotanor-fuzz-read-" + std::to_string(getpid()) + ".mem");

    const DaySerial today = encodeDate(1940 + data[0] % 200, 1 + data[1] % 12, 1 + data[2] % 28);
    const int weeksBack = data[3] % 10;
    const int year = (data[4] << 8 | data[5]) % 4100;
    const bool caseCounts = data[6] & 1;
    const std::size_t wordLength = data[7] % 8;
    data += 8;
    size -= 8;
    const std::string words(reinterpret_cast<const char*>(data), std::min(wordLength, size));
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    MemoFile file(nativeFileSystem(), path);

    MemoBlocks blocks;
    for (const ViewWindow& window :
         {tenWeekWindow(today, weeksBack), fromDateWindow(today), yearWindow(year), wholeFileWindow()}) {
        blocks.clear();
        dateErrorsAllowed([&] { fillBlocks(file, window, today, blocks); });
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            for (int line = 0; line < kBlockLines; ++line) {
                dateErrorsAllowed([&] {
                    const std::string text = blocks.line(b, line);
                    if (line == 0) (void)readDateLine(text);
                });
            }
        }
        if (!blocks.empty()) {
            dateErrorsAllowed([&] {
                ShownMemo shown{blocks.line(0, 0), blocks.record(0), blocks.position(0)};
                Selection k = selectMemo(file, shown);
                if (k.outcome == SelectionOutcome::Found && !(k.index >= 0)) __builtin_trap();
            });
        }
    }
    (void)readDateLine(words);

    blocks.clear();
    const SearchFilter filter(searchWords(words, caseCounts), caseCounts);
    dateErrorsAllowed([&] { fillSearchBlocks(file, filter, today, blocks); });

    Answers answers;
    dateErrorsAllowed([&] { yearlyPass(file, today, answers); });
    return 0;
}
