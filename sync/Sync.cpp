#include "sync/Sync.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "store/Errors.h"
#include "store/SafeWrite.h"
#include "sync/CalDav.h"
#include "sync/Ics.h"
#include "diary/MemoCommands.h"
#include "sync/MemoKey.h"
#include "sync/SyncState.h"

namespace jotanor::sync {
namespace {

// Server writes between two saves of what the sync saw, so that a sync cut
// short has little to find out again.
constexpr std::size_t kSaveEvery = 100;

// The memos of the diary, each paired with at most one event.
class Diary {
public:
    explicit Diary(std::vector<MemoRecord> memos) : memos_(std::move(memos)), claimed_(memos_.size()) {
        ics::UidMaker uids;
        uids_.reserve(memos_.size());
        for (std::size_t i = 0; i < memos_.size(); ++i) {
            try {
                uids_.push_back(uids.next(memos_[i]));
            } catch (const DateError&) {
                uids_.emplace_back();  // no calendar day: it cannot go up
            }
            byKey_[memoKey(memos_[i])].push_back(i);
            byUid_.emplace(uids_.back(), i);
        }
    }

    // Pairs an unpaired memo equal to `memo`.
    bool claim(const MemoRecord& memo) {
        const auto found = byKey_.find(memoKey(memo));
        return found != byKey_.end() && claimFirst(found->second);
    }

    // The unpaired memo that the export gives this UID.
    std::optional<MemoRecord> claimUid(const std::string& uid) {
        const auto found = byUid_.find(uid);
        if (found == byUid_.end() || uid.empty() || claimed_[found->second]) return std::nullopt;
        claimed_[found->second] = true;
        return memos_[found->second];
    }

    // A starred memo moved on by a year keeps its UID: the unpaired memo it became.
    std::optional<MemoRecord> claimMoved(const MemoRecord& before) {
        if (!before.starred()) return std::nullopt;
        try {
            const auto found = byUid_.find(ics::memoUid(before));
            if (found == byUid_.end() || claimed_[found->second] || !memos_[found->second].starred()) return std::nullopt;
            claimed_[found->second] = true;
            return memos_[found->second];
        } catch (const DateError&) {
            return std::nullopt;
        }
    }

    // The memos no event stands for, in file order, with their UIDs.
    std::vector<std::pair<MemoRecord, std::string>> unclaimed() const {
        std::vector<std::pair<MemoRecord, std::string>> out;
        for (std::size_t i = 0; i < memos_.size(); ++i)
            if (!claimed_[i] && !uids_[i].empty()) out.emplace_back(memos_[i], uids_[i]);
        return out;
    }

private:
    bool claimFirst(const std::vector<std::size_t>& places) {
        for (const std::size_t i : places) {
            if (claimed_[i]) continue;
            claimed_[i] = true;
            return true;
        }
        return false;
    }

    std::vector<MemoRecord> memos_;
    std::vector<bool> claimed_;
    std::vector<std::string> uids_;
    std::unordered_map<std::string, std::vector<std::size_t>> byKey_;
    std::unordered_map<std::string, std::size_t> byUid_;
};

bool sameMemos(std::vector<MemoRecord> a, std::vector<MemoRecord> b) {
    const auto byKey = [](const MemoRecord& x, const MemoRecord& y) { return memoKey(x) < memoKey(y); };
    std::sort(a.begin(), a.end(), byKey);
    std::sort(b.begin(), b.end(), byKey);
    return a == b;
}

// The memo file's side of a sync.
struct Changes {
    std::vector<MemoRecord> remove;
    std::vector<MemoRecord> add;
};

class Synchronizer {
public:
    Synchronizer(FileSystem& fs, MemoFile& file, const SyncSettings& settings)
        : fs_(fs), file_(file), settings_(settings), statePath_(statePath(file.path())), dav_(settings) {}

    SyncReport run() {
        state_ = readState(fs_, statePath_);
        saved_ = encodeState(state_);
        if (state_.url != settings_.url) state_ = {settings_.url, {}, {}};
        dav_.checkCalendar();
        listServer();
        Diary diary(file_.readAll());
        // What changed there, in one change of the memo file: deletions
        // first, found by their contents under the lock, then new memos.
        Changes here;
        const std::vector<std::string> toDelete = reconcile(diary, here);
        std::vector<MemoEdit> edits;
        for (const auto& memo : here.remove) edits.push_back({MemoRef{memo, 0}, std::nullopt});
        for (const auto& memo : here.add) edits.push_back({std::nullopt, memo});
        if (!edits.empty()) {
            const auto outcomes = applyEdits(file_, edits);
            report_.deletedHere = static_cast<std::size_t>(
                std::count(outcomes.begin(), outcomes.begin() + static_cast<std::ptrdiff_t>(here.remove.size()), EditOutcome::Done));
            report_.down = here.add.size();
        }
        state_.token = listing_.token;
        save();
        try {
            writeToServer(toDelete, diary);
        } catch (const SyncError&) {
            save();  // what went through before the server failed
            throw;
        }
        report_.requests = dav_.requests();
        return report_;
    }

private:
    // What changed on the server, and the events to read.
    void listServer() {
        listing_ = dav_.changesSince(state_.token);
        std::map<std::string, std::string> listed;  // href, ETag
        for (const auto& item : listing_.items) listed.emplace(item.href, item.etag);
        removed_.insert(listing_.removed.begin(), listing_.removed.end());
        std::vector<std::string> toFetch;
        std::set<std::string> known;
        for (const auto& event : state_.events) {
            known.insert(event.href);
            const auto it = listed.find(event.href);
            if (it == listed.end() && listing_.complete) removed_.insert(event.href);
            if (it != listed.end() && it->second != event.etag) toFetch.push_back(event.href);
        }
        for (const auto& item : listing_.items)
            if (!known.contains(item.href)) toFetch.push_back(item.href);
        for (auto& item : dav_.fetch(toFetch)) fetched_.emplace(item.href, std::move(item));
        // A changed event gone before it could be read is gone.
        for (const auto& href : toFetch)
            if (known.contains(href) && !fetched_.contains(href)) removed_.insert(href);
    }

    ics::Imported memosOf(const DavItem& item) {
        try {
            return ics::readCalendar(item.data, {settings_.today, settings_.today, settings_.today + 365});
        } catch (const std::runtime_error&) {
            return {};  // not a calendar we can read: it stands for no memo
        }
    }

    // Memos that are not here yet go in; returns how many.
    std::size_t bringDown(const ics::Imported& imported, Diary& diary, Changes& batch, std::vector<MemoRecord>& memos) {
        std::size_t added = 0;
        for (const auto& memo : imported.memos) {
            memos.push_back(memo.record);
            if (diary.claim(memo.record)) continue;
            batch.add.push_back(memo.record);
            ++added;
        }
        return added;
    }

    // Decides the memo file's changes; returns the hrefs to delete on the server.
    std::vector<std::string> reconcile(Diary& diary, Changes& batch) {
        std::vector<std::vector<bool>> present;
        for (const auto& event : state_.events) {
            auto& here = present.emplace_back();
            for (const auto& memo : event.memos) here.push_back(diary.claim(memo));
        }
        std::vector<SyncedEvent> kept;
        std::vector<std::string> toDelete;
        std::set<std::string> known;
        for (std::size_t e = 0; e < state_.events.size(); ++e) {
            SyncedEvent& event = state_.events[e];
            const std::vector<bool>& here = present[e];
            known.insert(event.href);
            if (removed_.contains(event.href)) {
                for (std::size_t m = 0; m < event.memos.size(); ++m)
                    if (here[m]) batch.remove.push_back(event.memos[m]);
                continue;
            }
            if (const auto f = fetched_.find(event.href); f != fetched_.end()) {
                const ics::Imported imported = memosOf(f->second);
                std::vector<MemoRecord> now;
                for (const auto& memo : imported.memos) now.push_back(memo.record);
                event.etag = f->second.etag;
                if (!sameMemos(now, event.memos)) {
                    // Changed there: what was here gives way; a memo also
                    // changed or deleted here is a conflict, and both stay.
                    for (std::size_t m = 0; m < event.memos.size(); ++m)
                        if (here[m]) batch.remove.push_back(event.memos[m]);
                    event.memos.clear();
                    const std::size_t added = bringDown(imported, diary, batch, event.memos);
                    if (added > 0 && std::find(here.begin(), here.end(), false) != here.end()) ++report_.conflicts;
                    kept.push_back(std::move(event));
                    continue;
                }
            }
            if (std::find(here.begin(), here.end(), false) == here.end()) {
                kept.push_back(std::move(event));
            } else if (event.memos.size() == 1) {
                if (const auto moved = diary.claimMoved(event.memos[0])) {
                    event.memos[0] = *moved;
                } else {
                    toDelete.push_back(event.href);
                }
                kept.push_back(std::move(event));
            } else {
                // One of a repeating event's memos went: the event stays there.
                std::vector<MemoRecord> left;
                for (std::size_t m = 0; m < event.memos.size(); ++m)
                    if (here[m]) left.push_back(event.memos[m]);
                event.memos = std::move(left);
                kept.push_back(std::move(event));
            }
        }
        for (const auto& item : listing_.items) {
            const auto f = fetched_.find(item.href);
            if (known.contains(item.href) || f == fetched_.end()) continue;
            const ics::Imported imported = memosOf(f->second);
            SyncedEvent event{item.href, f->second.etag, imported.memos.empty() ? "" : imported.memos[0].uid, {}};
            // An event the diary put up before: paired by its UID.
            const auto ours = imported.memos.size() == 1 ? diary.claimUid(event.uid) : std::nullopt;
            if (ours) {
                event.memos.push_back(*ours);
            } else {
                bringDown(imported, diary, batch, event.memos);
            }
            kept.push_back(std::move(event));
        }
        state_.events = std::move(kept);
        return toDelete;
    }

    void writeToServer(const std::vector<std::string>& toDelete, const Diary& diary) {
        std::size_t writes = 0;
        const auto wrote = [&] {
            if (++writes % kSaveEvery == 0) save();
        };
        for (const auto& href : toDelete) {
            const auto event = std::find_if(state_.events.begin(), state_.events.end(),
                                            [&](const SyncedEvent& e) { return e.href == href; });
            // Changed there meanwhile: it stays, and comes down next time.
            if (!dav_.remove(href, event->etag)) continue;
            state_.events.erase(event);
            ++report_.deletedThere;
            wrote();
        }
        for (const auto& [memo, uid] : diary.unclaimed()) {
            const auto calendar = ics::eventCalendar(memo, uid, settings_.dtstamp);
            if (!calendar) continue;
            const std::string href = dav_.hrefFor(uid);
            // One there already (a sync cut short put it up): paired next time.
            const auto etag = dav_.put(href, *calendar, std::nullopt);
            if (!etag) continue;
            state_.events.push_back({href, *etag, uid, {memo}});
            ++report_.up;
            wrote();
        }
        save();
    }

    // Written only when it changed: a sync that finds nothing new writes nothing.
    void save() {
        std::string text = encodeState(state_);
        if (text == saved_) return;
        replaceFile(fs_, statePath_, text.data(), text.size());
        saved_ = std::move(text);
    }

    FileSystem& fs_;
    MemoFile& file_;
    const SyncSettings& settings_;
    std::filesystem::path statePath_;
    CalDav dav_;
    SyncState state_;
    std::string saved_;  // the state as the file holds it
    DavListing listing_;
    std::set<std::string> removed_;
    std::map<std::string, DavItem> fetched_;
    SyncReport report_;
};

}  // namespace

std::filesystem::path statePath(const std::filesystem::path& memoFile) {
    return memoFile.parent_path() / ("." + memoFile.filename().string() + ".sync");
}

SyncReport synchronize(FileSystem& fs, MemoFile& file, const SyncSettings& settings) {
    return Synchronizer(fs, file, settings).run();
}

}  // namespace jotanor::sync
