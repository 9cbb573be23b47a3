// Two-way sync of the memo file with one CalDAV calendar collection: what
// changed on either side since the last sync goes to the other, and what
// the last sync saw is kept beside the memo file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/MemoFile.h"
#include "sync/CalendarServer.h"

namespace jotanor::sync {

// A sync that must not run: the message says why. Server trouble is a
// DavError. Either way nothing is lost; the next sync goes on from here.
struct SyncError : std::runtime_error {
    explicit SyncError(const std::string& message);
};

struct SyncSettings {
    DavSettings server;
    DaySerial today = 0;
    std::string dtstamp;  // "YYYYMMDDTHHMMSSZ", for the events put up
    // Called now and then while events go to the server: how many went,
    // of how many.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // The same while events come from the server: how many were read.
    std::function<void(std::size_t done, std::size_t total)> downloadProgress;
    // An empty memo file whose last sync saw memos is refused, as it would
    // delete every event on the server; unless the user asked for that.
    bool allowEmpty = false;
};

struct SyncReport {
    std::size_t up = 0;            // events put up (new or changed)
    std::size_t down = 0;          // memos entered here from the server
    std::size_t deletedHere = 0;   // memos deleted here
    std::size_t deletedThere = 0;  // events deleted on the server
    std::size_t conflicts = 0;     // changed on the server and changed or deleted here
    std::size_t cut = 0;           // lines of events cut to what a memo holds
    std::vector<std::string> undatable;  // titles (UTF-8) of events without a day the diary has
    std::vector<std::string> bounded;    // titles (UTF-8) of events repeating more often than daily, cut off
    std::size_t requests = 0;      // HTTP requests made
    bool startedDiary = false;     // the memo file was not there and was made empty
    // What this sync left alone, each named with the reason: an event it
    // could not read, a write the server refused or could not take because
    // the event changed meanwhile. The next sync tries them again.
    std::vector<std::string> skipped;
};

// What a sync did, in one line (UTF-8): "4 naar de server, 2 van de server,
// 1 hier verwijderd, 0 op de server verwijderd, 0 conflicten", then what was
// cut and what the diary has no day for.
std::string summary(const SyncReport& report);

// ".jotanor1.mem.sync" beside "jotanor1.mem".
std::filesystem::path statePath(const std::filesystem::path& memoFile);

// Makes the server a sync talks to (calDavServer in CalDav.h), when the
// sync is ready to ask it something.
using ServerMaker = std::function<std::unique_ptr<CalendarServer>(const DavSettings&)>;

// `fs` holds the memo file and the state beside it. One sync of a memo
// file runs at a time: a second waits a while, then is refused. A memo
// file that is missing is made empty before the server is asked anything, unless it
// synced before: then the sync is refused, as it would delete every event
// on the server. So is one that is not whole (a memo cut off, records out
// of date order) and, without `allowEmpty`, an empty one where the last
// sync saw memos: the server is left as it is. Every text in the report
// and in an error is shown as the memo list shows text (no control
// character the server chose goes out raw).
SyncReport synchronize(FileSystem& fs, MemoFile& file, const SyncSettings& settings, const ServerMaker& server);

}  // namespace jotanor::sync
