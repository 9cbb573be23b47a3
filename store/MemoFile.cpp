#include "store/MemoFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "store/Errors.h"
#include "store/Journal.h"

namespace jotanor {
namespace {

constexpr std::size_t kRec = MemoRecord::kSize;
// Sequential reads go in blocks of this many records (just under 128 KiB):
// a block stays in the processor's cache while its records are looked at,
// and the memory a read needs does not grow with the file.
constexpr std::size_t kBlockRecords = 618;

}  // namespace

std::size_t storePosition(std::span<const unsigned char> records, DaySerial key) {
    return storePositionAt(records.size() / kRec, [&](std::size_t j) { return records.data() + j * kRec; }, key);
}

MemoFile::MemoFile(FileSystem& fs, std::filesystem::path path) : fs_(fs), path_(std::move(path)) {}

namespace {

const char* const kNoLocks =
    "Dit bestandssysteem kan het bestand niet vergrendelen; memo's lezen gaat, wijzigen niet.";

// The memo file as a change cut short left it, with the change undone in
// memory: for reading where the file may not be written.
class RecoveredFile final : public File {
public:
    RecoveredFile(std::vector<unsigned char> bytes, FileInfo info, std::filesystem::path path)
        : bytes_(std::move(bytes)), info_(info), path_(std::move(path)) {}
    std::uint64_t size() override { return bytes_.size(); }
    FileInfo info() override { return info_; }
    void readAt(std::uint64_t offset, void* data, std::size_t n) override {
        if (offset > bytes_.size() || n > bytes_.size() - offset) throw IoError(kReadBeyondEnd, path_);
        std::memcpy(data, bytes_.data() + offset, n);
    }
    void writeAt(std::uint64_t, const void*, std::size_t) override { throw IoError(kAccessDenied, path_); }
    void truncate(std::uint64_t) override { throw IoError(kAccessDenied, path_); }
    void sync() override {}
    bool lock(LockKind) override { return true; }
    void adoptAccessOf(const std::filesystem::path&, bool) override {}
    void close() override {}

private:
    std::vector<unsigned char> bytes_;
    FileInfo info_;
    std::filesystem::path path_;
};

}  // namespace

void MemoFile::tell(const std::string& text) {
    if (std::find(told_.begin(), told_.end(), text) != told_.end()) return;
    told_.push_back(text);
    notices_.push_back(text);
}

bool MemoFile::bearsTheName(File& file) {
    const auto named = fs_.info(path_, true);
    return named && named->sameFile(file.info());
}

MemoFile::Opened MemoFile::open(LockKind kind) {
    // Another program may put a new file in its place between the open and
    // the lock: the lock must hold the file that bears the name.
    for (int attempt = 1;; ++attempt) {
        Opened opened = openOnce(kind);
        if (bearsTheName(*opened.file)) return opened;
        if (attempt == 3)
            throw IoError(kAccessDenied, path_, "Een ander programma vervangt het bestand steeds opnieuw.");
    }
}

MemoFile::Opened MemoFile::openOnce(LockKind kind) {
    Opened opened{nullptr, fs_.resolve(path_)};
    const Tell told = [this](const std::string& text) { tell(text); };
    if (kind == LockKind::Shared) {
        opened.file = fs_.open(path_, OpenMode::ReadOnly);
        opened.file->lock(LockKind::Shared);
        if (!journalPending(fs_, *opened.file, opened.real)) return opened;
        // A change was cut short: it is undone before anything is read,
        // which takes the right to write; without it, it is undone in
        // memory for reading.
        bool writable = false;
        try {
            auto file = fs_.open(path_, OpenMode::ReadWrite);
            opened.file = std::move(file);
            writable = true;
        } catch (const IoError& e) {
            if (e.code() != kAccessDenied) throw;
        }
        if (writable && opened.file->lock(LockKind::Exclusive)) {
            try {
                recoverJournal(fs_, *opened.file, opened.real, told);
                return opened;
            } catch (const IoError&) {
                // What cannot be written now (a full disk, a folder that
                // may not be written) is undone in memory below.
            }
        }
        auto bytes = recoveredBytes(fs_, *opened.file, opened.real, told);
        if (bytes) opened.file = std::make_unique<RecoveredFile>(std::move(*bytes), opened.file->info(), path_);
        return opened;
    }
    opened.file = fs_.open(path_, OpenMode::ReadWrite);
    if (!opened.file->lock(LockKind::Exclusive)) throw IoError(kAccessDenied, path_, kNoLocks);
    recoverJournal(fs_, *opened.file, opened.real, told);
    // Earlier versions kept the previous contents in a hidden spare file,
    // deleted memos included; a diary is private.
    std::filesystem::path spare = ".";
    spare += opened.real.filename();
    spare += ".spare";
    if (fs_.exists(opened.real.parent_path() / spare)) fs_.remove(opened.real.parent_path() / spare);
    return opened;
}

bool MemoFile::canOpen() {
    try {
        fs_.open(path_, OpenMode::ReadWrite)->close();
        return true;
    } catch (const IoError&) {
        return false;
    }
}

bool MemoFile::canRead() {
    try {
        fs_.open(path_, OpenMode::ReadOnly)->close();
        return true;
    } catch (const IoError&) {
        return false;
    }
}

void MemoFile::create() {
    // Never empties a file that is there: the question before creating
    // follows any failure to open, also one that passes.
    fs_.open(path_, OpenMode::OpenOrCreate)->close();
    count();
}

std::size_t MemoFile::count() {
    auto opened = open(LockKind::Shared);
    recordCount_ = static_cast<std::size_t>(opened.file->size() / kRec);
    opened.file->close();
    return recordCount_;
}

void MemoFile::scan(const std::function<bool(const MemoRecord&, std::size_t)>& visit) {
    scanBytes([&visit](const unsigned char* bytes, std::size_t position) {
        return visit(decodeRecord(bytes), position);
    });
}

namespace {

// Visits the records [first, n) of `file` block by block until `visit`
// returns false. `order` sees each record first; when it refuses one, the
// read stops there and gives false.
template <typename Order>
bool readBlocks(File& file, std::size_t first, std::size_t n,
                const std::function<bool(const unsigned char*, std::size_t)>& visit, Order&& order) {
    std::vector<unsigned char> block(std::min(kBlockRecords, n - std::min(first, n)) * kRec);
    for (; first < n; first += kBlockRecords) {
        const std::size_t k = std::min(kBlockRecords, n - first);
        file.readAt(static_cast<std::uint64_t>(first) * kRec, block.data(), k * kRec);
        for (std::size_t i = 0; i < k; ++i) {
            const unsigned char* record = block.data() + i * kRec;
            if (!order(record)) return false;
            if (!visit(record, first + i)) return true;
        }
    }
    return true;
}

}  // namespace

void MemoFile::scanBytes(const std::function<bool(const unsigned char*, std::size_t)>& visit) {
    auto opened = open(LockKind::Shared);
    File& file = *opened.file;
    const std::size_t n = static_cast<std::size_t>(file.size() / kRec);
    recordCount_ = n;
    readBlocks(file, 0, n, visit, [](const unsigned char*) { return true; });
    file.close();
}

bool MemoFile::scanFrom(DaySerial low, const std::function<bool(const unsigned char*, std::size_t)>& visit) {
    auto opened = open(LockKind::Shared);
    File& file = *opened.file;
    const std::size_t n = static_cast<std::size_t>(file.size() / kRec);
    recordCount_ = n;
    // The first record dated on or after `low`. Every date looked at is
    // kept with its position: together they must ascend.
    std::vector<std::pair<std::size_t, DaySerial>> probes;
    std::size_t lo = 0;
    std::size_t hi = n;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        unsigned char date[8];
        file.readAt(static_cast<std::uint64_t>(mid) * kRec, date, sizeof date);
        const DaySerial d = recordDate(date);
        if (std::isnan(d)) {
            file.close();
            return false;
        }
        probes.emplace_back(mid, d);
        if (d < low)
            lo = mid + 1;
        else
            hi = mid;
    }
    std::sort(probes.begin(), probes.end());
    for (std::size_t p = 1; p < probes.size(); ++p) {
        if (probes[p].second < probes[p - 1].second) {
            file.close();
            return false;
        }
    }
    // From there on each date must be on or after the one before it.
    DaySerial last = -std::numeric_limits<DaySerial>::infinity();
    const bool inOrder = readBlocks(file, lo, n, visit, [&last](const unsigned char* record) {
        const DaySerial d = recordDate(record);
        if (!(d >= last)) return false;
        last = d;
        return true;
    });
    file.close();
    return inOrder;
}

std::vector<MemoRecord> MemoFile::readAll() {
    std::vector<MemoRecord> all;
    scan([&all](const MemoRecord& r, std::size_t) {
        all.push_back(r);
        return true;
    });
    return all;
}

std::optional<MemoRecord> MemoFile::readAt(std::size_t position) {
    auto opened = open(LockKind::Shared);
    File& file = *opened.file;
    recordCount_ = static_cast<std::size_t>(file.size() / kRec);
    std::optional<MemoRecord> found;
    if (position < recordCount_) {
        RecordBytes bytes;
        file.readAt(static_cast<std::uint64_t>(position) * kRec, bytes.data(), kRec);
        found = decodeRecord(bytes.data());
    }
    file.close();
    return found;
}

TailChange& TailChange::old(std::size_t first, std::size_t end) {
    if (end > first) pieces.push_back({first * kRec, end * kRec, {}});
    return *this;
}

TailChange& TailChange::add(std::span<const unsigned char> bytes) {
    pieces.push_back({0, 0, {bytes.begin(), bytes.end()}});
    return *this;
}

void MemoFile::modify(const Plan& plan) {
    std::optional<std::vector<unsigned char>> made;  // what a change replaced meanwhile ended as
    for (int attempt = 1;; ++attempt) {
        auto opened = open(LockKind::Exclusive);
        File& file = *opened.file;
        // Read, not mapped: another program that shortens the file meanwhile
        // cannot make the read fault. Into memory that is not cleared first:
        // the read fills every byte.
        const auto size = static_cast<std::size_t>(file.size());
        const auto bytes = std::make_unique_for_overwrite<unsigned char[]>(size);
        if (size > 0) file.readAt(0, bytes.get(), size);
        const std::span<const unsigned char> now(bytes.get(), size);
        // A copy of the file taken after the change went in already holds it.
        if (made && std::ranges::equal(now, *made)) {
            file.close();
            return;
        }
        const std::size_t n = size / kRec;
        recordCount_ = n;
        const auto change = plan(now.first(n * kRec));
        if (!change) {
            file.close();
            return;
        }
        rewriteTail(fs_, file, opened.real, static_cast<std::uint64_t>(change->from) * kRec, change->pieces, now);
        // Replaced by another file while the change went in: the change is
        // made again in the file that bears the name, unless that holds it.
        const bool stuck = bearsTheName(file);
        if (!stuck) made = file.readAll();
        try {
            file.close();
        } catch (const IoError&) {
            // The change is in the file and synced; the lock goes with the handle.
        }
        if (stuck) return;
        if (attempt == 3)
            throw IoError(kAccessDenied, path_, "Een ander programma vervangt het bestand steeds opnieuw.");
    }
}

}  // namespace jotanor
