// The two sides of a sync brought together: from what the last sync saw,
// the diary's memos now and what changed on the server, what goes which
// way. A pure function; the CalDAV client and the memo file are elsewhere.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "diary/Pairing.h"
#include "ics/Ics.h"
#include "store/MemoEdit.h"
#include "sync/SyncState.h"

namespace jotanor::sync {

// An event new or changed on the server since the last sync, as read.
struct ServerEvent {
    std::string etag;
    std::string uid;
    std::vector<MemoRecord> memos;  // the memos it gives
};

struct ServerChanges {
    std::set<std::string> removed;               // hrefs gone since the last sync
    std::map<std::string, ServerEvent> changed;  // hrefs new or changed since
};

struct Reconciled {
    std::vector<SyncedEvent> events;  // what the sync saw, before the server is written
    std::vector<MemoEdit> here;       // deletions first, then adds unless already there
    std::size_t removals = 0;         // how many of `here` are deletions
    std::vector<std::string> deleteThere;                       // hrefs
    std::vector<std::pair<MemoRecord, std::string>> putThere;  // new memos and their UIDs
    // Memos changed here, or deleted out of a repeating event: written into
    // the server's own event at that href.
    std::vector<std::pair<std::string, ics::MemoChange>> editThere;
    std::size_t conflicts = 0;  // changed on the server and changed or deleted here
    std::size_t replaced = 0;   // deletions here that are an event's change coming down
};

// The same memos, in any order.
bool sameMemos(std::vector<MemoRecord> a, std::vector<MemoRecord> b);

// A change on one side wins over a deletion on the other; a memo changed
// on both sides is kept in both versions (a conflict); an event new on
// the server is paired with a memo that says the same (the one the diary
// put up for it, by UID, or an equal one), else it comes in. A memo whose
// UID an event with other contents holds goes up under another UID: with
// no state to tell which side changed, both versions stay (a conflict).
// Both lists are taken, not copied: each can be as big as the diary.
Reconciled reconcile(std::vector<SyncedEvent> last, std::vector<MemoRecord> diary, const ServerChanges& server);

}  // namespace jotanor::sync
