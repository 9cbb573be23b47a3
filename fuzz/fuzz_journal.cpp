// Arbitrary bytes as the journal beside a memo file. First the reader
// alone: whatever a header says, what the body builds is no larger than the
// header's new length. Then the whole recovery, with the journal made to
// name the file and to pass its checksum, so that the recipe is followed:
// it never crashes, never reads or writes more than the file could need,
// and leaves no journal under its name.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "store/Errors.h"
#include "store/Journal.h"
#include "store/MemoFile.h"

namespace {

using namespace jotanor;

void write(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The reader on its own; the checksum made to agree when `fix`.
void readAlone(std::vector<unsigned char> bytes, std::uint64_t fileSize, bool fix) {
    JournalHeader h;
    if (decodeJournalHeader(bytes, h) != HeaderKind::Ours) return;
    if (!journalSizesAgree(h, bytes.size(), fileSize)) return;
    const std::span<const unsigned char> body(bytes.data() + h.size(), bytes.size() - h.size());
    if (fix) {
        h.checksum = journalChecksum(h, body.subspan(0, static_cast<std::size_t>(h.stored)),
                                     body.subspan(static_cast<std::size_t>(h.stored)));
    }
    const auto decoded = decodeJournalBody(h, body);
    if (decoded && (decoded->fresh.size() != h.newLength - h.offset || decoded->saved.size() != h.count)) __builtin_trap();
    if (decoded && h.newLength > fileSize + (std::uint64_t{64} << 20)) __builtin_trap();
}

// The saved bytes' packing: what is packed unpacks to the same bytes, and
// is hardly longer.
void packAlone(const std::vector<unsigned char>& bytes) {
    std::vector<unsigned char> packed;
    packZeros(bytes, packed);
    if (packed.size() > bytes.size() + kPackSlack) __builtin_trap();
    const auto back = unpackZeros(packed, bytes.size());
    if (!back || *back != bytes) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    static const std::filesystem::path memo = folder / ("jotanor-fuzz-" + std::to_string(getpid()) + ".mem");
    std::vector<unsigned char> bytes(data, data + size);
    // A small memo file: five records of hand-made bytes.
    std::vector<unsigned char> records(5 * MemoRecord::kSize);
    for (std::size_t i = 0; i < records.size(); ++i) records[i] = static_cast<unsigned char>(i * 7);
    readAlone(bytes, records.size(), false);
    readAlone(bytes, records.size(), true);
    packAlone(bytes);

    write(memo, records);
    const auto info = nativeFileSystem().info(memo, true);
    JournalHeader h;
    if (info && decodeJournalHeader(bytes, h) == HeaderKind::Ours) {
        h.device = info->device;
        h.inode = info->inode;
        h.birth = info->birth;
        if (journalSizesAgree(h, bytes.size(), records.size())) {
            const std::span<const unsigned char> body(bytes.data() + h.size(), bytes.size() - h.size());
            h.checksum = journalChecksum(h, body.subspan(0, static_cast<std::size_t>(h.stored)),
                                         body.subspan(static_cast<std::size_t>(h.stored)));
        }
        const auto header = encodeJournalHeader(h);
        std::copy(header.begin(), header.end(), bytes.begin());
    }
    const auto journal = journalPath(memo);
    write(journal, bytes);
    MemoFile file(nativeFileSystem(), memo);
    try {
        file.count();
        // Only what is not this program's journal stays under its name.
        JournalHeader any;
        if ((std::filesystem::exists(journal) && decodeJournalHeader(bytes, any) == HeaderKind::Ours) ||
            std::filesystem::file_size(memo) > records.size() + (64u << 20))
            __builtin_trap();
    } catch (const IoError&) {
    }
    file.takeNotices();
    std::error_code ignored;
    for (const char* kept : {".bewaard", ".bewaard2", ".bewaard3"})
        std::filesystem::remove(std::filesystem::path(journal) += kept, ignored);
    std::filesystem::remove(journal, ignored);
    return 0;
}
