#include "sync/Reconcile.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

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
    Reconciler(std::vector<MemoRecord> diary, Reconciled& out) : diary_(std::move(diary)), out_(out) {}

    void run(std::vector<SyncedEvent> last, const ServerChanges& server) {
        // Which memos of each event the diary still holds, paired first:
        // event e's from first[e] on, in one list of bits.
        std::vector<bool> present;
        std::vector<std::size_t> first;
        first.reserve(last.size() + 1);
        for (const auto& event : last) {
            first.push_back(present.size());
            for (const auto& memo : event.memos) present.push_back(diary_.claim(memo));
        }
        first.push_back(present.size());
        out_.events.reserve(last.size() + server.changed.size());  // no spare room: it can be big
        std::unordered_set<std::string_view> known;  // the hrefs of `last`, which outlives it
        for (const auto& event : last) known.insert(event.href);
        // Events new to the sync pair with what says the same, before a
        // memo that is gone is taken for edited into another.
        for (const auto& [href, event] : server.changed) {
            if (known.contains(href)) continue;
            SyncedEvent paired{href, event.etag, event.uid, {}};
            const auto ours = event.memos.size() == 1 ? diary_.claimUid(event.uid, event.memos[0]) : std::nullopt;
            if (ours)
                paired.memos.push_back(*ours);
            else
                bringDown(event.memos, paired.memos);
            unknownUids_.insert(event.uid);
            out_.events.push_back(std::move(paired));
        }
        for (std::size_t e = 0; e < last.size(); ++e) {
            const auto begin = present.begin() + static_cast<std::ptrdiff_t>(first[e]);
            lastEvent(std::move(last[e]), {begin, begin + static_cast<std::ptrdiff_t>(first[e + 1] - first[e])}, server);
        }
        out_.removals = removals_.size();
        out_.here.insert(out_.here.begin(), removals_.begin(), removals_.end());
        putUp();
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
                const auto gone = static_cast<std::size_t>(std::count(here.begin(), here.end(), true));
                removeHere();
                event.memos.clear();
                const std::size_t added = bringDown(f->second.memos, event.memos);
                out_.replaced += std::min(gone, added);
                if (added > 0 && !allHere) ++out_.conflicts;
                out_.events.push_back(std::move(event));
                return;
            }
        }
        if (allHere) {
            out_.events.push_back(std::move(event));
            return;
        }
        // Each memo gone from here: a starred one moved on, an edit, or
        // deleted (one occurrence of a repeating event: an exception there).
        std::vector<std::pair<std::string, ics::MemoChange>> edits;
        bool anyLeft = std::find(here.begin(), here.end(), true) != here.end();
        for (std::size_t m = 0; m < event.memos.size(); ++m) {
            if (here[m]) continue;
            const MemoRecord& before = event.memos[m];
            const auto moved = event.memos.size() == 1 ? diary_.claimMoved(before) : std::nullopt;
            const auto edited = moved ? std::nullopt : diary_.claimEdited(before);
            if (moved) event.memos[m] = *moved;
            if (!moved) edits.push_back({event.href, {before, edited}});
            anyLeft = anyLeft || moved || edited;
        }
        if (anyLeft)
            out_.editThere.insert(out_.editThere.end(), edits.begin(), edits.end());
        else
            out_.deleteThere.push_back(event.href);  // every memo it gave is gone
        out_.events.push_back(std::move(event));
    }

    // Memos no event stands for go up, each under a UID no other event
    // holds: one that an event with other contents holds (the state that
    // would tell which side changed is gone) leaves both versions.
    void putUp() {
        // Views of the UIDs held, which outlive this; the ones given here apart.
        std::unordered_set<std::string_view> held(unknownUids_.begin(), unknownUids_.end());
        for (const auto& event : out_.events) held.insert(event.uid);
        std::set<std::string> given;
        const auto used = [&](const std::string& uid) { return held.contains(uid) || given.contains(uid); };
        for (auto [memo, uid] : diary_.unclaimed()) {
            if (used(uid)) {
                if (unknownUids_.contains(uid)) ++out_.conflicts;
                const std::string base = uid;
                const std::size_t at = base.rfind('@');
                for (int n = 2; used(uid); ++n)
                    uid = base.substr(0, at) + "-x" + std::to_string(n) + base.substr(std::min(at, base.size()));
            }
            given.insert(uid);
            out_.putThere.emplace_back(memo, uid);
        }
    }

    // Memos that are not here yet come in; returns how many.
    std::size_t bringDown(const std::vector<MemoRecord>& memos, std::vector<MemoRecord>& paired) {
        std::size_t added = 0;
        for (const auto& memo : memos) {
            if (diary_.claim(memo)) {
                paired.push_back(memo);
                continue;
            }
            // A starred memo the event shows in another year: paired as the
            // diary holds it.
            if (const auto alike = memo.starred() ? diary_.claimAlike(memo) : std::nullopt) {
                paired.push_back(*alike);
                continue;
            }
            paired.push_back(memo);
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
    std::set<std::string> unknownUids_;  // of the events the last sync did not see
};

}  // namespace

Reconciled reconcile(std::vector<SyncedEvent> last, std::vector<MemoRecord> diary, const ServerChanges& server) {
    Reconciled out;
    Reconciler(std::move(diary), out).run(std::move(last), server);
    return out;
}

}  // namespace jotanor::sync
