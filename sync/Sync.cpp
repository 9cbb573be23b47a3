#include "sync/Sync.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "dates/Dates.h"
#include "diary/MemoCommands.h"
#include "ics/Ics.h"
#include "store/Errors.h"
#include "store/SafeWrite.h"
#include "store/Win1252.h"
#include "sync/Reconcile.h"
#include "sync/SyncState.h"

namespace jotanor::sync {
namespace {

// Server writes between two saves of what the sync saw, so that a sync cut
// short has little to find out again.
constexpr std::size_t kSaveEvery = 100;

// The memo file's records in file order, and their digest, from one read
// under one lock: the digest says exactly what the reconcile saw.
std::vector<MemoRecord> readDiary(MemoFile& file, std::string& digest) {
    std::vector<MemoRecord> memos;
    memos.reserve(file.count());  // as the file was a moment ago: no more than needed, as a rule
    Digest d;
    file.scanBytes([&](const unsigned char* record, std::size_t) {
        d.add(record, MemoRecord::kSize);
        memos.push_back(decodeRecord(record));
        return true;
    });
    digest = d.hex();
    return memos;
}

std::string diaryDigest(MemoFile& file) {
    Digest d;
    file.scanBytes([&](const unsigned char* record, std::size_t) {
        d.add(record, MemoRecord::kSize);
        return true;
    });
    return d.hex();
}

class Synchronizer {
public:
    Synchronizer(FileSystem& fs, MemoFile& file, const SyncSettings& settings)
        : fs_(fs), file_(file), settings_(settings), statePath_(statePath(file.path())) {}

    SyncReport run() {
        const auto lock = lockState(fs_, statePath_);
        if (!lock)
            throw SyncError("er loopt al een sync van " + pathText(file_.path()) + "; probeer het straks opnieuw");
        if (!fs_.exists(file_.path())) {
            state_ = readState(fs_, statePath_, false, &saved_);
            if (!state_.events.empty())
                throw SyncError(pathText(file_.path()) +
                                " is er niet meer, maar is al eerder gesynchroniseerd; een nieuw, leeg memobestand "
                                "zou alle afspraken op de server wissen. Zet het memobestand terug, of verwijder " +
                                pathText(statePath_) + " om opnieuw te beginnen");
            file_.create();
            report_.startedDiary = true;
        }
        CalDav dav(settings_.server);
        const std::string version = dav.checkCalendar();
        // Neither side changed since a sync that found nothing to do: the
        // head of the state tells, and the server's list of changes (slow
        // on a big calendar) is not asked for.
        if (!report_.startedDiary && !version.empty()) {
            const SyncState head = readState(fs_, statePath_, true);
            if (head.url == dav.address() && head.collectionTag == version && !head.diary.empty() &&
                head.diary == diaryDigest(file_)) {
                report_.requests = dav.requests();
                return report_;
            }
        }
        if (!report_.startedDiary) state_ = readState(fs_, statePath_, false, &saved_);
        if (state_.url != dav.address()) state_ = {dav.address(), {}, {}, {}, {}};
        const ServerChanges server = readServer(dav);
        // Room for the events new to the sync, made before the diary is read.
        state_.events.reserve(state_.events.size() + server.changed.size());
        std::string digest;
        std::vector<MemoRecord> diary = readDiary(file_, digest);
        Reconciled plan = reconcile(std::move(state_.events), std::move(diary), server);
        const bool nothingToDo = plan.here.empty() && plan.deleteThere.empty() && plan.putThere.empty() &&
                                 plan.editThere.empty() && plan.conflicts == 0;
        // What changed there, in one change of the memo file.
        if (!plan.here.empty()) {
            const auto outcomes = applyEdits(file_, plan.here);
            const auto removals = outcomes.begin() + static_cast<std::ptrdiff_t>(plan.removals);
            // A memo an event's change replaced counts as that change, down.
            const auto deleted = static_cast<std::size_t>(std::count(outcomes.begin(), removals, EditOutcome::Done));
            report_.deletedHere = deleted - std::min(deleted, plan.replaced);
            report_.down = static_cast<std::size_t>(std::count(removals, outcomes.end(), EditOutcome::Done));
        }
        report_.conflicts = plan.conflicts;
        state_.events = std::move(plan.events);
        // With an event left unread, the next sync lists from the old token
        // again and tries it anew.
        if (report_.skipped.empty()) state_.token = token_;
        // Kept only when a sync now would do nothing again: the memo file
        // as read, the collection as it was before it was listed (a change
        // since then changed its version).
        const bool keepVersion = nothingToDo && report_.skipped.empty() && !report_.startedDiary && !version.empty();
        state_.collectionTag = keepVersion ? version : "";
        state_.diary = keepVersion ? digest : "";
        save();
        try {
            writeToServer(dav, plan);
        } catch (const DavError&) {
            save();  // what went through before the server failed
            throw;
        }
        report_.requests = dav.requests();
        return report_;
    }

private:
    // What changed on the server since the last sync, read.
    ServerChanges readServer(CalDav& dav) {
        const DavListing listing = dav.changesSince(state_.token);
        token_ = listing.token;
        ServerChanges server;
        // Views into the listing and the state, which outlive them.
        std::unordered_map<std::string_view, std::string_view> listed;  // href, ETag
        for (const auto& item : listing.items) listed.emplace(item.href, item.etag);
        server.removed.insert(listing.removed.begin(), listing.removed.end());
        std::vector<std::string> toFetch;
        std::unordered_set<std::string_view> known;
        for (const auto& event : state_.events) {
            known.insert(event.href());
            const auto it = listed.find(event.href());
            if (it == listed.end() && listing.complete) server.removed.emplace(event.href());
            if (it != listed.end() && it->second != event.etag()) toFetch.emplace_back(event.href());
        }
        for (const auto& item : listing.items)
            if (!known.contains(item.href)) toFetch.push_back(item.href);
        std::set<std::string> unread;
        dav.fetch(toFetch, [&](DavItem& item) {
            ServerEvent event{item.etag, {}, {}};
            try {
                if (!item.problem.empty()) throw std::runtime_error(item.problem);
                const ics::Imported imported = ics::readCalendar(item.data, window());
                for (const auto& memo : imported.memos) event.memos.push_back(memo.record);
                if (!imported.memos.empty()) event.uid = imported.memos[0].uid;
                report_.cut += imported.cut;
                report_.undatable.insert(report_.undatable.end(), imported.undatable.begin(), imported.undatable.end());
                report_.bounded.insert(report_.bounded.end(), imported.bounded.begin(), imported.bounded.end());
            } catch (const std::runtime_error& e) {
                // Left as the last sync saw it, here and in the state.
                report_.skipped.push_back("afspraak " + item.href + " overgeslagen: " + e.what());
                unread.insert(item.href);
                return;
            }
            server.changed.emplace(item.href, std::move(event));
        });
        // A changed event gone before it could be read is gone.
        for (const auto& href : toFetch)
            if (known.contains(href) && !server.changed.contains(href) && !unread.contains(href)) server.removed.insert(href);
        return server;
    }

    ics::ImportWindow window() const { return {settings_.today, settings_.today, settings_.today + 365}; }

    // A memo changed here, or one occurrence deleted: written into the
    // event as the server holds it (`held`), unless it changed there
    // meanwhile (then it comes down next time).
    void editThere(CalDav& dav, DavItem& held, const ics::MemoChange& change) {
        const auto event = std::find_if(state_.events.begin(), state_.events.end(),
                                        [&](const SyncedEvent& e) { return e.href() == held.href; });
        std::vector<MemoRecord> memos = event->memos();
        const auto memo = std::find(memos.begin(), memos.end(), change.before);
        if (memo == memos.end() || held.etag.empty() || held.etag != event->etag()) return;
        ics::ImportWindow around = window();  // an occurrence gone by is found as well
        around.from = std::min(around.from, change.before.date);
        around.to = std::max(around.to, change.before.date);
        const auto changed = ics::changeEvent(held.data, around, change, settings_.dtstamp);
        const auto etag = changed ? dav.put(held.href, *changed, std::string(event->etag())) : std::nullopt;
        if (changed && !etag)
            report_.skipped.push_back("memo '" + cp1252ToUtf8(change.before.line1) + "' van " +
                                      datumtekst(change.before.date) + " niet naar de server: de afspraak op " +
                                      held.href + " veranderde intussen (412); de volgende sync haalt hem op");
        if (!etag) return;
        held = {held.href, *etag, *changed, {}};
        if (change.after)
            *memo = *change.after;
        else
            memos.erase(memo);
        *event = SyncedEvent(event->href(), *etag, event->uid(), memos);
        ++(change.after ? report_.up : report_.deletedThere);
    }

    void writeToServer(CalDav& dav, const Reconciled& plan) {
        const std::size_t total = plan.deleteThere.size() + plan.putThere.size() + plan.editThere.size();
        std::size_t writes = 0;
        const auto wrote = [&] {
            if (++writes % kSaveEvery == 0) save();
            if (settings_.progress) settings_.progress(writes, total);
        };
        for (const auto& href : plan.deleteThere) {
            const auto event = std::find_if(state_.events.begin(), state_.events.end(),
                                            [&](const SyncedEvent& e) { return e.href() == href; });
            // Changed there meanwhile: it stays, and comes down next time.
            if (dav.remove(href, std::string(event->etag()))) {
                state_.events.erase(event);
                ++report_.deletedThere;
            } else {
                report_.skipped.push_back("afspraak " + href + " niet verwijderd: hij veranderde intussen op de server "
                                          "(412); de volgende sync haalt hem op");
            }
            wrote();
        }
        std::map<std::string, DavItem> held;  // the events to edit, as the server holds them
        std::set<std::string> toEdit;
        for (const auto& edit : plan.editThere) toEdit.insert(edit.first);
        if (!toEdit.empty())
            dav.fetch({toEdit.begin(), toEdit.end()}, [&](DavItem& item) {
                if (item.problem.empty()) held.emplace(item.href, std::move(item));
            });
        for (const auto& [href, change] : plan.editThere) {
            if (const auto it = held.find(href); it != held.end()) editThere(dav, it->second, change);
            wrote();
        }
        for (const auto& [memo, uid] : plan.putThere) {
            const auto calendar = ics::eventCalendar(memo, uid, settings_.dtstamp);
            const std::string href = dav.hrefFor(uid);
            // One there already (a sync cut short put it up): paired next time.
            const auto etag = calendar ? dav.put(href, *calendar, std::nullopt) : std::nullopt;
            if (etag) {
                state_.events.emplace_back(href, *etag, uid, std::vector<MemoRecord>{memo});
                ++report_.up;
            } else if (calendar) {
                report_.skipped.push_back("memo '" + cp1252ToUtf8(memo.line1) + "' van " + datumtekst(memo.date) +
                                          " niet naar de server: daar kwam intussen een afspraak op " + href +
                                          " (412); de volgende sync koppelt ze");
            }
            wrote();
        }
        save();
    }

    // Written only when it changed: a sync that finds nothing new writes nothing.
    // The text goes by in pieces, twice when it changed: held whole it
    // would be as big as the state.
    void save() {
        Digest d;
        encodeState(state_, [&](std::string_view piece) { d.add(piece.data(), piece.size()); });
        std::string digest = d.hex();
        if (digest == saved_) return;
        PendingFile pending(fs_, statePath_);
        encodeState(state_, [&](std::string_view piece) { pending.append(piece.data(), piece.size()); });
        pending.commit();
        saved_ = std::move(digest);
    }

    FileSystem& fs_;
    MemoFile& file_;
    const SyncSettings& settings_;
    std::filesystem::path statePath_;
    SyncState state_;
    std::string saved_;  // the digest of the state as the file holds it
    std::string token_;  // the server's, for the next sync
    SyncReport report_;
};

}  // namespace

std::filesystem::path statePath(const std::filesystem::path& memoFile) {
    return memoFile.parent_path() / ("." + memoFile.filename().string() + ".sync");
}

std::string summary(const SyncReport& r) {
    std::string line = std::to_string(r.up) + " naar de server, " + std::to_string(r.down) + " van de server, " +
                       std::to_string(r.deletedHere) + " hier verwijderd, " + std::to_string(r.deletedThere) +
                       " op de server verwijderd, " + std::to_string(r.conflicts) +
                       (r.conflicts == 1 ? " conflict" : " conflicten");
    if (r.cut > 0) line += ", " + std::to_string(r.cut) + " ingekort";
    if (!r.undatable.empty()) {
        line += ", " + std::to_string(r.undatable.size()) + " overgeslagen (buiten de data van het dagboek:";
        for (std::size_t i = 0; i < r.undatable.size(); ++i) line += (i ? ", \"" : " \"") + r.undatable[i] + '"';
        line += ')';
    }
    if (!r.bounded.empty()) line += ", " + ics::boundedText(r.bounded);
    return line;
}

SyncReport synchronize(FileSystem& fs, MemoFile& file, const SyncSettings& settings) {
    return Synchronizer(fs, file, settings).run();
}

}  // namespace jotanor::sync
