#include "sync/Reconcile.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "store/MemoKey.h"

namespace jotanor::sync {

bool sameMemos(std::vector<MemoRecord> a, std::vector<MemoRecord> b) {
    const auto byKey = [](const MemoRecord& x, const MemoRecord& y) { return memoKey(x) < memoKey(y); };
    std::sort(a.begin(), a.end(), byKey);
    std::sort(b.begin(), b.end(), byKey);
    return a == b;
}

namespace {

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
            for (const auto& memo : event.memos()) present.push_back(diary_.claim(memo));
        }
        first.push_back(present.size());
        // The events come out where they went in, those new to the sync
        // after them: no second list as long as the state.
        const std::size_t known = last.size();
        std::set<std::string_view> changedKnown;  // hrefs of server.changed, which outlives this
        for (const auto& event : last)
            if (const auto f = server.changed.find(std::string(event.href())); f != server.changed.end())
                changedKnown.insert(f->first);
        last.reserve(known + server.changed.size() - changedKnown.size());
        // Events new to the sync pair with what says the same, before a
        // memo that is gone is taken for edited into another.
        for (const auto& [href, event] : server.changed) {
            if (changedKnown.contains(href)) continue;
            std::vector<MemoRecord> paired;
            const auto ours = event.memos.size() == 1 ? diary_.claimUid(event.uid, event.memos[0]) : std::nullopt;
            if (ours)
                paired.push_back(*ours);
            else
                bringDown(event.memos, paired);
            unknownUids_.insert(event.uid);
            last.emplace_back(href, event.etag, event.uid, paired);
        }
        std::size_t kept = 0;
        for (std::size_t e = 0; e < last.size(); ++e) {
            const auto begin = e < known ? present.begin() + static_cast<std::ptrdiff_t>(first[e]) : present.end();
            const auto end = e < known ? present.begin() + static_cast<std::ptrdiff_t>(first[e + 1]) : present.end();
            if (e < known && !lastEvent(last[e], {begin, end}, server)) continue;
            if (kept != e) last[kept] = std::move(last[e]);
            ++kept;
        }
        last.erase(last.begin() + static_cast<std::ptrdiff_t>(kept), last.end());
        out_.events = std::move(last);
        out_.removals = removals_.size();
        out_.here.insert(out_.here.begin(), removals_.begin(), removals_.end());
        putUp();
    }

private:
    // What becomes of an event the last sync saw; false when it goes.
    bool lastEvent(SyncedEvent& event, const std::vector<bool>& here, const ServerChanges& server) {
        std::vector<MemoRecord> memos = event.memos();
        const std::string href(event.href());
        const auto removeHere = [&] {
            for (std::size_t m = 0; m < memos.size(); ++m)
                if (here[m]) removals_.push_back({MemoRef{memos[m], 0}, std::nullopt, std::nullopt});
        };
        const bool allHere = std::find(here.begin(), here.end(), false) == here.end();
        if (server.removed.contains(href)) {
            removeHere();
            return false;
        }
        if (const auto f = server.changed.find(href); f != server.changed.end()) {
            event.setEtag(f->second.etag);
            if (!sameMemos(f->second.memos, memos)) {
                // Changed there: what was here gives way; a memo also
                // changed or deleted here is a conflict, and both stay.
                const auto gone = static_cast<std::size_t>(std::count(here.begin(), here.end(), true));
                // A memo gone from here is a conflict only when an edit of
                // it stays (it goes up beside the server's version); one
                // deleted here gives way to the change, which comes back.
                std::vector<MemoRecord> lost;
                for (std::size_t m = 0; m < memos.size(); ++m)
                    if (!here[m]) lost.push_back(memos[m]);
                removeHere();
                memos.clear();
                const std::size_t added = bringDown(f->second.memos, memos);
                event.setMemos(memos);
                out_.replaced += std::min(gone, added);
                if (added > 0 && !lost.empty()) lostHere_.push_back(std::move(lost));
                return true;
            }
        }
        if (allHere) return true;
        // Each memo gone from here: a starred one moved on, an edit, or
        // deleted (one occurrence of a repeating event: an exception there).
        std::vector<std::pair<std::string, ics::MemoChange>> edits;
        bool anyLeft = std::find(here.begin(), here.end(), true) != here.end();
        for (std::size_t m = 0; m < memos.size(); ++m) {
            if (here[m]) continue;
            const MemoRecord& before = memos[m];
            const auto moved = memos.size() == 1 ? diary_.claimMoved(before) : std::nullopt;
            const auto edited = moved ? std::nullopt : diary_.claimEdited(before);
            if (!moved) edits.push_back({href, {before, edited}});
            if (moved) memos[m] = *moved;
            anyLeft = anyLeft || moved || edited;
        }
        event.setMemos(memos);
        if (anyLeft)
            out_.editThere.insert(out_.editThere.end(), edits.begin(), edits.end());
        else
            out_.deleteThere.push_back(href);  // every memo it gave is gone
        return true;
    }

    // Memos no event stands for go up, each under a UID no other event
    // holds: one that an event with other contents holds (the state that
    // would tell which side changed is gone) leaves both versions.
    void putUp() {
        // Views of the UIDs held, which outlive this, sorted (no set node
        // per event); the ones given here apart.
        std::vector<std::string_view> held(unknownUids_.begin(), unknownUids_.end());
        held.reserve(held.size() + out_.events.size());
        for (const auto& event : out_.events) held.push_back(event.uid());
        std::sort(held.begin(), held.end());
        // Each event changed there whose memo was edited here: the edit
        // goes up beside it, both versions stay.
        if (!lostHere_.empty()) {
            std::vector<MemoRecord> up;
            for (const auto& [memo, uid] : diary_.unclaimed()) up.push_back(memo);
            DiaryMemos edits(std::move(up));
            for (const auto& lost : lostHere_)
                if (std::any_of(lost.begin(), lost.end(), [&](const MemoRecord& m) { return edits.claimEdited(m).has_value(); }))
                    ++out_.conflicts;
        }
        std::set<std::string> given;
        const auto used = [&](const std::string& uid) {
            return std::binary_search(held.begin(), held.end(), std::string_view(uid)) || given.contains(uid);
        };
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

    DiaryMemos diary_;
    Reconciled& out_;
    std::vector<MemoEdit> removals_;
    std::unordered_map<std::string, std::size_t> adding_;
    std::set<std::string> unknownUids_;  // of the events the last sync did not see
    // Per event changed there: its memos gone from here.
    std::vector<std::vector<MemoRecord>> lostHere_;
};

}  // namespace

Reconciled reconcile(std::vector<SyncedEvent> last, std::vector<MemoRecord> diary, const ServerChanges& server) {
    Reconciled out;
    Reconciler(std::move(diary), out).run(std::move(last), server);
    return out;
}

}  // namespace jotanor::sync
