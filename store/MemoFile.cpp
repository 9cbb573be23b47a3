#include "store/MemoFile.h"

#include <algorithm>
#include <cstring>

#include "store/Errors.h"
#include "store/SafeWrite.h"

namespace jotanor {
namespace {

constexpr std::size_t kRec = MemoRecord::kSize;
// Sequential reads go in blocks of this many records (about 1 MiB).
constexpr std::size_t kBlockRecords = 4946;

}  // namespace

std::size_t storePosition(std::span<const unsigned char> records, DaySerial key, std::size_t skip) {
    const std::size_t all = records.size() / kRec;
    const std::size_t n = skip < all ? all - 1 : all;
    auto date = [&](std::size_t j) { return recordDate(records.data() + (j < skip ? j : j + 1) * kRec); };
    std::size_t j = 0;
    while (j < n && !(date(j) >= key)) ++j;
    if (j < n && (j + 1 < n || date(j) > key)) return j;
    return n;
}

MemoImage::MemoImage(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {
    bytes_.resize(count() * kRec);
}

DaySerial MemoImage::date(std::size_t position) const { return recordDate(bytes_.data() + position * kRec); }

MemoRecord MemoImage::record(std::size_t position) const {
    return decodeRecord(bytes_.data() + position * kRec);
}

std::size_t MemoImage::storePosition(DaySerial key) const { return jotanor::storePosition(bytes_, key); }

void MemoImage::insertrecord1(std::size_t position, const MemoRecord& record) {
    position = std::min(position, count());
    RecordBytes rec = encodeRecord(record);
    bytes_.insert(bytes_.begin() + static_cast<std::ptrdiff_t>(position * kRec), rec.begin(), rec.end());
}

bool MemoImage::remove(std::size_t position) {
    if (position >= count()) return false;
    auto at = bytes_.begin() + static_cast<std::ptrdiff_t>(position * kRec);
    bytes_.erase(at, at + static_cast<std::ptrdiff_t>(kRec));
    return true;
}

MemoFile::MemoFile(FileSystem& fs, std::filesystem::path path) : fs_(fs), path_(std::move(path)) {}

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
    auto file = fs_.open(path_, OpenMode::OpenOrCreate);
    recordCount_ = static_cast<std::size_t>(file->size() / kRec);
    file->close();
}

std::size_t MemoFile::count() {
    auto file = fs_.open(path_, OpenMode::ReadOnly);
    recordCount_ = static_cast<std::size_t>(file->size() / kRec);
    file->close();
    return recordCount_;
}

void MemoFile::scan(const std::function<bool(const MemoRecord&, std::size_t)>& visit) {
    scanBytes([&visit](const unsigned char* bytes, std::size_t position) {
        return visit(decodeRecord(bytes), position);
    });
}

void MemoFile::scanBytes(const std::function<bool(const unsigned char*, std::size_t)>& visit) {
    auto file = fs_.open(path_, OpenMode::ReadOnly);
    const std::size_t n = static_cast<std::size_t>(file->size() / kRec);
    recordCount_ = n;
    std::vector<unsigned char> block;
    for (std::size_t first = 0; first < n; first += kBlockRecords) {
        const std::size_t k = std::min(kBlockRecords, n - first);
        block.resize(k * kRec);
        file->readAt(static_cast<std::uint64_t>(first) * kRec, block.data(), block.size());
        for (std::size_t i = 0; i < k; ++i) {
            if (!visit(block.data() + i * kRec, first + i)) {
                file->close();
                return;
            }
        }
    }
    file->close();
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
    auto file = fs_.open(path_, OpenMode::ReadOnly);
    recordCount_ = static_cast<std::size_t>(file->size() / kRec);
    MemoRecord record;
    bool found = readrecord1(*file, position, record);
    file->close();
    if (!found) return std::nullopt;
    return record;
}

bool MemoFile::readrecord1(File& file, std::uint64_t position, MemoRecord& record) {
    if (position >= file.size() / kRec) return false;
    RecordBytes bytes;
    file.readAt(position * kRec, bytes.data(), kRec);
    record = decodeRecord(bytes.data());
    return true;
}

void MemoFile::writerecord1(File& file, std::uint64_t position, const MemoRecord& record) {
    RecordBytes bytes = encodeRecord(record);
    file.writeAt(position * kRec, bytes.data(), kRec);
}

MemoFile::Loaded MemoFile::load() {
    auto file = fs_.open(path_, OpenMode::ReadWrite);
    Loaded loaded;
    loaded.count = static_cast<std::size_t>(file->size() / kRec);
    recordCount_ = loaded.count;
    // Left uninitialised: every byte is read over.
    loaded.bytes.reset(new unsigned char[std::max<std::size_t>(loaded.count * kRec, 1)]);
    if (loaded.count > 0) file->readAt(0, loaded.bytes.get(), loaded.count * kRec);
    file->close();
    return loaded;
}

std::size_t MemoFile::mydata1_opbergen(const MemoRecord& record) {
    const Loaded file = load();
    const std::size_t n = file.count;
    const std::size_t position = storePosition(file.records(0, n), record.date);
    const RecordBytes rec = encodeRecord(record);
    replaceFileKeepingSpare(fs_, path_, {file.records(0, position), rec, file.records(position, n)});
    return position;
}

bool MemoFile::wisrecord1(std::size_t index) {
    const Loaded file = load();
    const std::size_t n = file.count;
    if (index >= n) return false;
    replaceFileKeepingSpare(fs_, path_, {file.records(0, index), file.records(index + 1, n)});
    return true;
}

std::optional<std::size_t> MemoFile::change(std::size_t index, const MemoRecord& record) {
    const Loaded file = load();
    const std::size_t n = file.count;
    if (index >= n) return std::nullopt;
    const std::size_t position = storePosition(file.records(0, n), record.date, index);
    // The place among the old records before which the new one goes.
    const std::size_t before = position < index ? position : position + 1;
    const RecordBytes rec = encodeRecord(record);
    if (before <= index)
        replaceFileKeepingSpare(fs_, path_,
                    {file.records(0, before), rec, file.records(before, index), file.records(index + 1, n)});
    else
        replaceFileKeepingSpare(fs_, path_,
                    {file.records(0, index), file.records(index + 1, before), rec, file.records(before, n)});
    return position;
}

}  // namespace jotanor
