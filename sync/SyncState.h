// What the last sync saw, kept beside the memo file: the server's sync
// token and, per event on the server, its href, ETag and UID and the memos
// it stands for (date and both lines). A text file, replaced whole, read
// line by line; its head (the lines before the first event) alone tells
// whether anything changed since a sync that found nothing to do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/FileIO.h"
#include "store/MemoRecord.h"

namespace jotanor::sync {

// One event as the last sync saw it: its path on the server
// (percent-decoded), ETag and UID, and the memos it stands for. Packed in
// one string, as a state holds one per event on the server.
class SyncedEvent {
public:
    SyncedEvent() = default;
    SyncedEvent(std::string_view href, std::string_view etag, std::string_view uid,
                const std::vector<MemoRecord>& memos = {});

    std::string_view href() const { return text(0); }
    std::string_view etag() const { return text(1); }
    std::string_view uid() const { return text(2); }
    std::vector<MemoRecord> memos() const;
    void setEtag(std::string_view etag);
    void setMemos(const std::vector<MemoRecord>& memos);
    void addMemo(const MemoRecord& memo);

private:
    // Each text and each memo's date and lines after its length or bits.
    std::string_view text(int n) const;
    std::size_t memosAt() const;
    std::string packed_;
};

struct SyncState {
    std::string url;  // the collection it was kept for
    std::string token;
    std::vector<SyncedEvent> events;
    // Kept by a sync that found nothing to do on either side, else empty:
    // the collection's version then (CalDav::checkCalendar) and the memo
    // file's digest (diaryDigest). Both unchanged: nothing to do still.
    std::string collectionTag;
    std::string diary;
};

// A digest of content, 128 bits as 32 hexadecimal digits: the same bytes,
// however they are given, the same digest on every system. Two unlike
// lanes, so that a change one misses the other sees; made to notice
// changes, not to withstand someone who crafts a collision.
class Digest {
public:
    void add(const void* data, std::size_t n);
    std::string hex() const;

private:
    std::uint64_t a_ = 0x6a09e667f3bcc908ull, b_ = 0xbb67ae8584caa73bull;
    std::uint64_t length_ = 0;
};

std::string encodeState(const SyncState& state);
// The same text given to `write` in pieces of some 64 KiB.
void encodeState(const SyncState& state, const std::function<void(std::string_view)>& write);
// Throws std::runtime_error on text that is no sync state.
SyncState decodeState(std::string_view text);

// Nothing there: an empty state. It is written through a PendingFile (atomic;
// a new file is readable by its owner only, and one that was not is made so).
// `headOnly` reads no event: a state without them, read from the file's head.
// A state file of the first version (without the head's last two lines)
// reads as one that keeps no tag. `digest`, when given, gets the Digest of
// the file's bytes (of none when there is no file).
SyncState readState(FileSystem& fs, const std::filesystem::path& path, bool headOnly = false,
                    std::string* digest = nullptr);

// The lock a sync holds on the state at `path`, on a file of its own
// beside it (the state itself is replaced, not rewritten): exclusive while
// the handle lives. Nothing when another sync keeps it longer than the
// file layer waits.
std::unique_ptr<File> lockState(FileSystem& fs, const std::filesystem::path& path);

}  // namespace jotanor::sync
