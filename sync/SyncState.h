// What the last sync saw, kept beside the memo file: the server's sync
// token and, per event on the server, its href, ETag and UID and the memos
// it stands for (date and both lines). A text file, replaced whole.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/FileIO.h"
#include "store/MemoRecord.h"

namespace jotanor::sync {

struct SyncedEvent {
    std::string href;  // the path on the server, percent-decoded
    std::string etag;
    std::string uid;
    std::vector<MemoRecord> memos;
};

struct SyncState {
    std::string url;  // the collection it was kept for
    std::string token;
    std::vector<SyncedEvent> events;
};

std::string encodeState(const SyncState& state);
// Throws std::runtime_error on text that is no sync state.
SyncState decodeState(std::string_view text);

// Nothing there: an empty state. It is written with replaceFile (atomic;
// a new file is readable by its owner only, and one that was not is made so).
SyncState readState(FileSystem& fs, const std::filesystem::path& path);

// The lock a sync holds on the state at `path`, on a file of its own
// beside it (the state itself is replaced, not rewritten): exclusive while
// the handle lives. Nothing when another sync keeps it longer than the
// file layer waits.
std::unique_ptr<File> lockState(FileSystem& fs, const std::filesystem::path& path);

}  // namespace jotanor::sync
