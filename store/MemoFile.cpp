#include "store/MemoFile.h"

#include <algorithm>
#include <cstring>

#include "store/Errors.h"
#include "store/Journal.h"

namespace jotanor {
namespace {

constexpr std::size_t kRec = MemoRecord::kSize;
// Sequential reads go in blocks of this many records (about 1 MiB).
constexpr std::size_t kBlockRecords = 4946;

}  // namespace

std::size_t storePosition(std::span<const unsigned char> records, DaySerial key, std::size_t skip) {
    const std::size_t all = records.size() / kRec;
    if (skip >= all) {
        // The common case, kept tight: it reads the date of every record.
        const unsigned char* r = records.data();
        std::size_t j = 0;
        while (j < all && !(recordDate(r + j * kRec) >= key)) ++j;
        if (j < all && (j + 1 < all || recordDate(r + j * kRec) > key)) return j;
        return all;
    }
    const std::size_t n = skip < all ? all - 1 : all;
    auto date = [&](std::size_t j) { return recordDate(records.data() + (j < skip ? j : j + 1) * kRec); };
    std::size_t j = 0;
    while (j < n && !(date(j) >= key)) ++j;
    if (j < n && (j + 1 < n || date(j) > key)) return j;
    return n;
}

MemoFile::MemoFile(FileSystem& fs, std::filesystem::path path) : fs_(fs), path_(std::move(path)) {}

MemoFile::Opened MemoFile::open(LockKind kind) {
    Opened opened{nullptr, fs_.resolve(path_)};
    const auto journal = journalPath(opened.real);
    if (kind == LockKind::Shared) {
        opened.file = fs_.open(path_, OpenMode::ReadOnly);
        opened.file->lock(LockKind::Shared);
        if (!fs_.exists(journal)) return opened;
        // A change was cut short: it is undone before anything is read,
        // which takes the right to write.
        opened.file.reset();
    }
    opened.file = fs_.open(path_, OpenMode::ReadWrite);
    opened.file->lock(LockKind::Exclusive);
    recoverJournal(fs_, *opened.file, opened.real);
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

void MemoFile::scanBytes(const std::function<bool(const unsigned char*, std::size_t)>& visit) {
    auto opened = open(LockKind::Shared);
    File& file = *opened.file;
    const std::size_t n = static_cast<std::size_t>(file.size() / kRec);
    recordCount_ = n;
    std::vector<unsigned char> block;
    for (std::size_t first = 0; first < n; first += kBlockRecords) {
        const std::size_t k = std::min(kBlockRecords, n - first);
        block.resize(k * kRec);
        file.readAt(static_cast<std::uint64_t>(first) * kRec, block.data(), block.size());
        for (std::size_t i = 0; i < k; ++i) {
            if (!visit(block.data() + i * kRec, first + i)) {
                file.close();
                return;
            }
        }
    }
    file.close();
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
    auto opened = open(LockKind::Exclusive);
    File& file = *opened.file;
    const FileBytes now = file.map(static_cast<std::size_t>(file.size()));
    const std::size_t n = now.size / kRec;
    recordCount_ = n;
    const auto change = plan({now.data, n * kRec});
    if (!change) {
        file.close();
        return;
    }
    rewriteTail(fs_, file, opened.real, static_cast<std::uint64_t>(change->from) * kRec, change->pieces,
                {now.data, now.size});
    try {
        file.close();
    } catch (const IoError&) {
        // The change is in the file and synced; the lock goes with the handle.
    }
}

std::optional<std::size_t> findMemo(std::span<const unsigned char> records, const MemoRecord& memo,
                                    std::size_t near) {
    const std::size_t n = records.size() / kRec;
    const RecordBytes wanted = encodeRecord(memo);
    const std::string_view line1(reinterpret_cast<const char*>(&wanted[9]), wanted[8]);
    const std::string_view line2(reinterpret_cast<const char*>(&wanted[110]), wanted[109]);
    auto holds = [&](std::size_t j) {
        const unsigned char* r = records.data() + j * kRec;
        return recordDate(r) == memo.date && recordLine1(r) == line1 && recordLine2(r) == line2;
    };
    if (near < n && holds(near)) return near;
    for (std::size_t j = 0; j < n; ++j)
        if (holds(j)) return j;
    return std::nullopt;
}

std::size_t MemoFile::mydata1_opbergen(const MemoRecord& record) {
    const RecordBytes rec = encodeRecord(record);
    std::size_t position = 0;
    modify([&](std::span<const unsigned char> records) {
        position = storePosition(records, record.date);
        TailChange change{position, {}};
        return change.add(rec).old(position, records.size() / kRec);
    });
    return position;
}

bool MemoFile::wisrecord1(const MemoRecord& memo, std::size_t near) {
    bool found = false;
    modify([&](std::span<const unsigned char> records) -> std::optional<TailChange> {
        const auto index = findMemo(records, memo, near);
        if (!index) return std::nullopt;
        found = true;
        TailChange change{*index, {}};
        return change.old(*index + 1, records.size() / kRec);
    });
    return found;
}

std::optional<std::size_t> MemoFile::change(const MemoRecord& memo, std::size_t near, const MemoRecord& record) {
    const RecordBytes rec = encodeRecord(record);
    std::optional<std::size_t> position;
    modify([&](std::span<const unsigned char> records) -> std::optional<TailChange> {
        const std::size_t n = records.size() / kRec;
        const auto index = findMemo(records, memo, near);
        if (!index) return std::nullopt;
        position = storePosition(records, record.date, *index);
        // The place among the old records before which the new one goes.
        const std::size_t before = *position < *index ? *position : *position + 1;
        if (before <= *index) {
            TailChange change{before, {}};
            return change.add(rec).old(before, *index).old(*index + 1, n);
        }
        TailChange change{*index, {}};
        return change.old(*index + 1, before).add(rec).old(before, n);
    });
    return position;
}

}  // namespace jotanor
