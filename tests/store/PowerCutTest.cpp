// A power cut at any moment of a change, on a disk that may lose or reorder
// what was not yet synced: after recovery the memo file is the old one or
// the new one, whole, and no journal is left.
//
// The disk is a model: a change runs on it and every write, truncation,
// sync and name operation is recorded. For every cut point the operations
// before it are replayed onto the disk as it was, where each one not yet
// made durable by a later sync may be lost, or (a write) land only in part.
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>

#include "diary/MemoCommands.h"
#include "store/Errors.h"
#include "store/Journal.h"
#include "store/MemoFile.h"

namespace jotanor {
namespace {

using Bytes = std::vector<unsigned char>;
using Names = std::map<std::filesystem::path, int>;  // name -> inode

struct DiskState {
    Names names;
    std::map<int, Bytes> inodes;
};

struct Op {
    enum Kind { Write, Truncate, Sync, Create, Remove, Rename, SyncFolder } kind;
    int inode = -1;
    std::uint64_t at = 0;
    Bytes bytes;
    std::filesystem::path name, to;
};

// The disk model: a file system in memory that records what happens to it.
class ModelDisk final : public FileSystem {
public:
    explicit ModelDisk(DiskState state) : state_(std::move(state)) {
        for (const auto& [id, bytes] : state_.inodes) next_ = std::max(next_, id + 1);
    }
    const DiskState& state() const { return state_; }
    const std::vector<Op>& ops() const { return ops_; }

    std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override;
    void rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        auto it = state_.names.find(from);
        if (it == state_.names.end()) throw IoError(kFileNotFound, from);
        state_.names[to] = it->second;
        state_.names.erase(from);
        ops_.push_back({Op::Rename, -1, 0, {}, from, to});
    }
    void remove(const std::filesystem::path& path) override {
        if (state_.names.erase(path)) ops_.push_back({Op::Remove, -1, 0, {}, path, {}});
    }
    bool exists(const std::filesystem::path& path) override { return state_.names.count(path) > 0; }
    std::optional<FileInfo> info(const std::filesystem::path& path, bool) override {
        auto it = state_.names.find(path);
        if (it == state_.names.end()) return std::nullopt;
        FileInfo info;
        info.inode = static_cast<std::uint64_t>(it->second);
        info.birth = info.inode + 1;
        info.size = state_.inodes.at(it->second).size();
        return info;
    }
    std::filesystem::path resolve(const std::filesystem::path& path) override { return path; }
    void syncFolder(const std::filesystem::path&) override { ops_.push_back({Op::SyncFolder, -1, 0, {}, {}, {}}); }

    Bytes& data(int inode) { return state_.inodes[inode]; }
    void record(Op op) { ops_.push_back(std::move(op)); }

private:
    DiskState state_;
    std::vector<Op> ops_;
    int next_ = 0;
};

class ModelFile final : public File {
public:
    ModelFile(ModelDisk& disk, int inode) : disk_(disk), inode_(inode) {}
    std::uint64_t size() override { return disk_.data(inode_).size(); }
    FileInfo info() override {
        FileInfo info;
        info.inode = static_cast<std::uint64_t>(inode_);
        info.birth = info.inode + 1;
        info.size = size();
        return info;
    }
    void readAt(std::uint64_t offset, void* data, std::size_t n) override {
        const Bytes& b = disk_.data(inode_);
        if (offset + n > b.size()) throw IoError(kReadBeyondEnd, "model");
        std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(offset), n, static_cast<unsigned char*>(data));
    }
    void writeAt(std::uint64_t offset, const void* data, std::size_t n) override {
        Bytes& b = disk_.data(inode_);
        const auto* p = static_cast<const unsigned char*>(data);
        if (b.size() < offset + n) b.resize(offset + n);
        std::copy_n(p, n, b.begin() + static_cast<std::ptrdiff_t>(offset));
        disk_.record({Op::Write, inode_, offset, Bytes(p, p + n), {}, {}});
    }
    void truncate(std::uint64_t size) override {
        disk_.data(inode_).resize(size);
        disk_.record({Op::Truncate, inode_, size, {}, {}, {}});
    }
    void sync() override { disk_.record({Op::Sync, inode_, 0, {}, {}, {}}); }
    bool lock(LockKind) override { return true; }
    void adoptAccessOf(const std::filesystem::path&, bool) override {}
    void close() override {}

private:
    ModelDisk& disk_;
    int inode_;
};

std::unique_ptr<File> ModelDisk::open(const std::filesystem::path& path, OpenMode mode) {
    auto it = state_.names.find(path);
    const bool creates = mode == OpenMode::CreateNew || mode == OpenMode::OpenOrCreate ||
                         mode == OpenMode::CreateTruncate;
    if (it != state_.names.end() && mode == OpenMode::CreateNew) throw IoError(17, path);
    if (it == state_.names.end()) {
        if (!creates) throw IoError(kFileNotFound, path);
        const int id = next_++;
        state_.inodes[id] = {};
        state_.names[path] = id;
        ops_.push_back({Op::Create, id, 0, {}, path, {}});
        return std::make_unique<ModelFile>(*this, id);
    }
    return std::make_unique<ModelFile>(*this, it->second);
}

// What survives the cut after `cut` operations: each operation is kept
// whole (0), lost (1) or, a write, kept in its first half (2).
DiskState afterCut(const DiskState& before, const std::vector<Op>& ops, const std::vector<int>& fate) {
    DiskState disk = before;
    for (std::size_t i = 0; i < fate.size(); ++i) {
        const Op& op = ops[i];
        if (fate[i] == 1) continue;
        switch (op.kind) {
        case Op::Write: {
            Bytes& b = disk.inodes[op.inode];
            const std::size_t n = fate[i] == 2 ? op.bytes.size() / 2 : op.bytes.size();
            if (b.size() < op.at + n) b.resize(op.at + n);
            std::copy_n(op.bytes.begin(), n, b.begin() + static_cast<std::ptrdiff_t>(op.at));
            break;
        }
        case Op::Truncate: disk.inodes[op.inode].resize(op.at); break;
        case Op::Create:
            disk.inodes[op.inode] = {};
            disk.names[op.name] = op.inode;
            break;
        case Op::Remove: disk.names.erase(op.name); break;
        case Op::Rename:
            if (disk.names.count(op.name)) {
                disk.names[op.to] = disk.names[op.name];
                disk.names.erase(op.name);
            }
            break;
        default: break;
        }
    }
    return disk;
}

// Whether operation i (of the first `cut`) is durable before the cut: a data
// operation once its file is synced, a name operation once the folder is.
bool durable(const std::vector<Op>& ops, std::size_t i, std::size_t cut) {
    const Op& op = ops[i];
    if (op.kind == Op::Sync || op.kind == Op::SyncFolder) return true;
    const bool data = op.kind == Op::Write || op.kind == Op::Truncate;
    for (std::size_t j = i + 1; j < cut; ++j) {
        if (data && ops[j].kind == Op::Sync && ops[j].inode == op.inode) return true;
        if (!data && ops[j].kind == Op::SyncFolder) return true;
    }
    return false;
}

// Calls `visit` with every disk state a cut during `ops` (run on `start`)
// can leave: all combinations of fates where they are few, `limit` drawn at
// random for each cut point where they are many.
void forEachCut(const DiskState& start, const std::vector<Op>& ops, std::size_t limit, std::mt19937& random,
                const std::function<void(const DiskState&, std::size_t cut)>& visit) {
    for (std::size_t cut = 0; cut <= ops.size(); ++cut) {
        std::vector<std::size_t> loose;  // operations that may be lost
        for (std::size_t i = 0; i < cut; ++i)
            if (!durable(ops, i, cut)) loose.push_back(i);
        std::size_t combinations = 1;
        for (std::size_t i : loose) combinations *= ops[i].kind == Op::Write ? 3 : 2;
        const std::size_t tries = std::min(combinations, limit);
        for (std::size_t t = 0; t < tries; ++t) {
            std::vector<int> fate(cut, 0);
            std::size_t code = combinations == tries ? t : random();
            for (std::size_t i : loose) {
                const std::size_t ways = ops[i].kind == Op::Write ? 3 : 2;
                fate[i] = static_cast<int>(code % ways);
                code /= ways;
            }
            visit(afterCut(start, ops, fate), cut);
        }
    }
}

const std::filesystem::path kMemo = "/dagboek/jotanor1.mem";

Bytes recordsOf(const std::vector<MemoRecord>& memos) {
    Bytes out;
    for (const auto& m : memos) {
        const RecordBytes r = encodeRecord(m);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

// Opens the memo file on the disk, which recovers it, and gives its bytes
// and the operations the recovery made.
std::pair<Bytes, std::vector<Op>> recover(const DiskState& state) {
    ModelDisk disk(state);
    MemoFile(disk, kMemo).count();
    EXPECT_FALSE(disk.exists(journalPath(kMemo)));
    return {disk.state().inodes.at(disk.state().names.at(kMemo)), disk.ops()};
}

struct Change {
    const char* name;
    std::function<void(MemoFile&)> run;
};

const std::vector<MemoRecord> kMemos = {{10, "a", "1"}, {20, "b", "2"}, {30, "c", ""}, {40, "d", "4"}};

// A cut during the change, and for states with a journal also a second cut
// during the recovery that follows.
TEST(PowerCut, EveryCrashStateRecoversToTheOldOrTheNewFile) {
    const std::vector<Change> changes = {
        {"store at the front", [](MemoFile& f) { mydata1_opbergen(f, {5, "nieuw", "x"}); }},
        {"store in the middle", [](MemoFile& f) { mydata1_opbergen(f, {25, "nieuw", "x"}); }},
        {"store at the end", [](MemoFile& f) { mydata1_opbergen(f, {50, "nieuw", "x"}); }},
        {"delete the first", [](MemoFile& f) { wisrecord1(f, {kMemos[0], 0}); }},
        {"delete the last", [](MemoFile& f) { wisrecord1(f, {kMemos[3], 3}); }},
        {"change to the end", [](MemoFile& f) { changeMemo(f, {kMemos[1], 1}, {45, "b2", ""}); }},
    };
    std::mt19937 random(1234);
    long explored = 0;
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        DiskState start;
        start.inodes[0] = recordsOf(kMemos);
        // A trailing piece that is no record: the new file drops it.
        start.inodes[0].insert(start.inodes[0].end(), 30, 0xEE);
        start.names[kMemo] = 0;

        ModelDisk disk(start);
        MemoFile file(disk, kMemo);
        change.run(file);
        const Bytes oldFile = start.inodes[0];
        const Bytes newFile = disk.state().inodes.at(0);
        ASSERT_NE(oldFile, newFile);
        const auto& ops = disk.ops();
        // Its journal is of the current format, the saved records packed.
        const auto header = std::find_if(ops.begin(), ops.end(),
                                         [](const Op& op) { return op.kind == Op::Write && op.inode != 0 && op.at == 0; });
        JournalHeader h;
        ASSERT_TRUE(header != ops.end() && decodeJournalHeader(header->bytes, h) == HeaderKind::Ours);
        EXPECT_EQ(h.version, JournalHeader::kVersion);
        if (h.count >= MemoRecord::kSize) {
            EXPECT_LT(h.stored, h.count);
        }

        forEachCut(start, ops, 4096, random, [&](const DiskState& cutState, std::size_t cut) {
            const auto [got, recoveryOps] = recover(cutState);
            ++explored;
            ASSERT_TRUE(got == oldFile || got == newFile) << "cut after " << cut << " of " << ops.size();
            // Once the change has been reported done, it stays.
            if (cut == ops.size()) {
                ASSERT_EQ(got, newFile);
            }
            forEachCut(cutState, recoveryOps, 16, random, [&](const DiskState& again, std::size_t) {
                ++explored;
                EXPECT_EQ(recover(again).first, got) << "cut after " << cut << ", then during the recovery";
            });
        });
    }
    std::printf("power-cut crash states explored: %ld\n", explored);
    RecordProperty("crash_states", static_cast<int>(explored));
}

}  // namespace
}  // namespace jotanor
