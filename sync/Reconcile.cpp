#include "sync/Reconcile.h"

#include <algorithm>
#include <unordered_map>

#include "ics/Ics.h"
#include "store/MemoKey.h"

namespace jotanor::sync {
namespace {

bool sameMemos(std::vector<MemoRecord> a, std::vector<MemoRecord> b) {
    const auto byKey = [](const MemoRecord& x, const MemoRecord& y) { return memoKey(x) < memoKey(y); };
    std::sort(a.begin(), a.end(), byKey);
    std::sort(b.begin(), b.end(), byKey);
    return a == b;
}

class Reconciler {
public:
    Reconciler(const std::vector<MemoRecord>& diary, Reconciled& out) : diary_(diary), out_(out) {}

    void run(const std::vector<SyncedEvent>& last, const ServerChanges& server) {
        // Which memos of each event the diary still holds, paired first.
        std::vector<std::vector<bool>> present;
        for (const auto& event : last) {
            auto& here = present.emplace_back();
            for (const auto& memo : event.memos) here.push_back(diary_.claim(memo));
        }
        std::set<std::string> known;
        for (std::size_t e = 0; e < last.size(); ++e) {
            known.insert(last[e].href);
            lastEvent(last[e], present[e], server);
        }
        for (const auto& [href, event] : server.changed) {
            if (known.contains(href)) continue;
            SyncedEvent paired{href, event.etag, event.uid, {}};
            // An event the diary put up before: paired by its UID.
            const auto ours = event.memos.size() == 1 ? diary_.claimUid(event.uid, event.memos[0]) : std::nullopt;
            if (ours)
                paired.memos.push_back(*ours);
            else
                bringDown(event.memos, paired.memos);
            out_.events.push_back(std::move(paired));
        }
        out_.removals = removals_.size();
        out_.here.insert(out_.here.begin(), removals_.begin(), removals_.end());
        out_.putThere = diary_.unclaimed();
    }

private:
    void lastEvent(SyncedEvent event, const std::vector<bool>& here, const ServerChanges& server) {
        const auto removeHere = [&] {
            for (std::size_t m = 0; m < event.memos.size(); ++m)
                if (here[m]) removals_.push_back({MemoRef{event.memos[m], 0}, std::nullopt, std::nullopt});
        };
        const bool allHere = std::find(here.begin(), here.end(), false) == here.end();
        if (server.removed.contains(event.href)) {
            removeHere();
            return;
        }
        if (const auto f = server.changed.find(event.href); f != server.changed.end()) {
            event.etag = f->second.etag;
            if (!sameMemos(f->second.memos, event.memos)) {
                // Changed there: what was here gives way; a memo also
                // changed or deleted here is a conflict, and both stay.
                removeHere();
                event.memos.clear();
                if (bringDown(f->second.memos, event.memos) > 0 && !allHere) ++out_.conflicts;
                out_.events.push_back(std::move(event));
                return;
            }
        }
        if (allHere) {
            out_.events.push_back(std::move(event));
        } else if (event.memos.size() == 1) {
            if (const auto moved = diary_.claimMoved(event.memos[0]))
                event.memos[0] = *moved;
            else
                out_.deleteThere.push_back(event.href);
            out_.events.push_back(std::move(event));
        } else {
            // One of a repeating event's memos went: the event stays there.
            std::vector<MemoRecord> left;
            for (std::size_t m = 0; m < event.memos.size(); ++m)
                if (here[m]) left.push_back(event.memos[m]);
            event.memos = std::move(left);
            out_.events.push_back(std::move(event));
        }
    }

    // Memos that are not here yet come in; returns how many.
    std::size_t bringDown(const std::vector<MemoRecord>& memos, std::vector<MemoRecord>& paired) {
        std::size_t added = 0;
        for (const auto& memo : memos) {
            paired.push_back(memo);
            if (diary_.claim(memo)) continue;
            const std::size_t seen = diary_.copies(memo) + adding_[memoKey(memo)]++;
            out_.here.push_back({std::nullopt, memo, seen});
            ++added;
        }
        return added;
    }

    ics::DiaryMemos diary_;
    Reconciled& out_;
    std::vector<MemoEdit> removals_;
    std::unordered_map<std::string, std::size_t> adding_;
};

}  // namespace

Reconciled reconcile(const std::vector<SyncedEvent>& last, const std::vector<MemoRecord>& diary,
                     const ServerChanges& server) {
    Reconciled out;
    Reconciler(diary, out).run(last, server);
    return out;
}

}  // namespace jotanor::sync
