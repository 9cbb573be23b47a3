#include "sync/Sync.h"

#include <algorithm>
#include <cmath>
#include <limits>
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
#include "store/ShownText.h"
#include "store/Win1252.h"
#include "sync/Reconcile.h"
#include "sync/SyncState.h"

namespace jotanor::sync {
namespace {

// Server writes between two saves of what the sync saw, so that a sync cut
// short has little to find out again.
constexpr std::size_t kSaveEvery = 100;
// Writes refused one after the other before the sync takes it that the
// server refuses every write, not this one event.
constexpr std::size_t kRefusedInARow = 5;

std::string memoName(const MemoRecord& memo) {
    return "memo '" + cp1252ToUtf8(memo.line1) + "' van " + datumtekst(memo.date);
}

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
    Synchronizer(FileSystem& fs, MemoFile& file, const SyncSettings& settings, const ServerMaker& makeServer)
        : fs_(fs), file_(file), settings_(settings), makeServer_(makeServer), statePath_(statePath(file.path())) {}

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
        checkWhole();
        const std::unique_ptr<CalendarServer> made = makeServer_(settings_.server);
        CalendarServer& dav = *made;
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
        if (diary.empty() && !settings_.allowEmpty) {
            const auto held = std::count_if(state_.events.begin(), state_.events.end(),
                                            [](const SyncedEvent& e) { return !e.memos().empty(); });
            if (held > 0)
                throw SyncError(pathText(file_.path()) + " is leeg, maar bij de vorige sync stonden er memo's in; deze sync "
                                "zou de " + std::to_string(held) + " afspraken daarvan op de server wissen, en is gestopt. "
                                "Zet het memobestand terug; wie echt alles op de server wil wissen, geeft jotanor-cli sync "
                                "--allow-empty");
        }
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
        // What the server chose, as the memo list shows text.
        for (auto& line : report_.skipped) line = shownText(line);
        for (auto& title : report_.undatable) title = shownText(title);
        return report_;
    }

private:
    // A memo file that is not whole tells nothing of what the user deleted:
    // the sync stops before the server is asked anything.
    void checkWhole() {
        const std::string stop = "; de sync is gestopt en heeft niets op de server veranderd. Zet een backup van het "
                                 "memobestand terug";
        file_.count();  // a change cut short is played back first
        auto opened = fs_.open(file_.path(), OpenMode::ReadOnly);
        opened->lock(LockKind::Shared);
        const std::uint64_t size = opened->size();
        opened->close();
        if (size % MemoRecord::kSize != 0)
            throw SyncError(pathText(file_.path()) + " is niet heel: " + std::to_string(size) + " bytes is geen veelvoud van " +
                            std::to_string(MemoRecord::kSize) + " (een memo), de laatste memo is afgebroken" + stop +
                            ", of voeg in jotanor een memo toe: dat laat het afgebroken stuk weg");
        // Dates out of order: jotanor never stores them so. A memo without
        // a date (no number) is left out of the order.
        DaySerial last = -std::numeric_limits<DaySerial>::infinity();
        std::optional<std::size_t> early;
        file_.scanBytes([&](const unsigned char* record, std::size_t position) {
            const DaySerial date = recordDate(record);
            if (date < last) early = position;
            if (!std::isnan(date)) last = date;
            return !early;
        });
        if (early)
            throw SyncError(pathText(file_.path()) + " is niet heel: memo " + std::to_string(*early + 1) +
                            " heeft een eerdere datum dan de memo ervoor, en jotanor bewaart memo's altijd in "
                            "datumvolgorde" + stop);
    }

    // What changed on the server since the last sync, read.
    ServerChanges readServer(CalendarServer& dav) {
        DavListing listing = dav.changesSince(state_.token);
        token_ = listing.token;
        ServerChanges server;
        server.removed.insert(listing.removed.begin(), listing.removed.end());
        std::vector<std::string> toFetch;
        std::unordered_set<std::string_view> known;
        {
            // Views into the listing and the state, which outlive them.
            std::unordered_map<std::string_view, std::string_view> listed;  // href, ETag
            listed.reserve(listing.items.size());
            for (const auto& item : listing.items) listed.emplace(item.href, item.etag);
            for (const auto& event : state_.events) {
                known.insert(event.href());
                const auto it = listed.find(event.href());
                if (it == listed.end() && listing.complete) server.removed.emplace(event.href());
                if (it != listed.end() && it->second != event.etag()) toFetch.emplace_back(event.href());
            }
        }
        for (auto& item : listing.items)
            if (!known.contains(item.href)) toFetch.push_back(std::move(item.href));
        listing = {};  // what is kept of it is in toFetch
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
        }, settings_.downloadProgress);
        // A changed event gone before it could be read is gone.
        for (const auto& href : toFetch)
            if (known.contains(href) && !server.changed.contains(href) && !unread.contains(href)) server.removed.insert(href);
        return server;
    }

    ics::ImportWindow window() const { return {settings_.today, settings_.today, settings_.today + 365, {}, true}; }

    // The event as the server holds it now still gives what the last
    // sync saw: the same ETag, or (from a server whose ETag changes with
    // every answer) the same memos.
    bool unchangedThere(const SyncedEvent& event, const DavItem& held) const {
        if (held.etag.empty()) return false;  // no condition to write it under
        if (held.etag == event.etag()) return true;
        try {
            std::vector<MemoRecord> memos;
            for (const auto& memo : ics::readCalendar(held.data, window()).memos) memos.push_back(memo.record);
            return sameMemos(std::move(memos), event.memos());
        } catch (const std::runtime_error&) {
            return false;
        }
    }

    // The event at `href` read again; false when it cannot be.
    static bool readAgain(CalendarServer& dav, const std::string& href, DavItem& held) {
        bool read = false;
        dav.fetch({href}, [&](DavItem& item) {
            if (!item.problem.empty()) return;
            held = std::move(item);
            read = true;
        });
        return read;
    }

    void skip(std::string line) { report_.skipped.push_back(std::move(line)); }

    // A write the server refused: named with what to do, and the sync goes
    // on. So many in a row end it: then the server refuses every write.
    void refusedWrite(const DavRefused& e, const std::string& what, const std::string& remedy) {
        if (++refusedInARow_ >= kRefusedInARow)
            throw DavError(std::string(e.what()) + ", en op de " + std::to_string(kRefusedInARow - 1) +
                           " wijzigingen ervoor ook; de sync is gestopt. Vraag de beheerder van de server waarom");
        skip(what + ": de server weigert het (" + std::to_string(e.status) +
             "); de volgende sync probeert het opnieuw. Blijft dit zo, " + remedy);
    }

    // A memo changed here, or one occurrence deleted: written into the
    // event as the server holds it (`held`), unless it changed there
    // meanwhile (then it comes down next time). Whatever stops it is told.
    void editThere(CalendarServer& dav, DavItem* held, const std::string& href, const ics::MemoChange& change) {
        const auto event = std::find_if(state_.events.begin(), state_.events.end(),
                                        [&](const SyncedEvent& e) { return e.href() == href; });
        std::vector<MemoRecord> memos = event->memos();
        const auto memo = std::find(memos.begin(), memos.end(), change.before);
        const std::string what = (change.after ? "de wijziging van " : "het wissen van ") + memoName(change.before) +
                                 " niet naar de server";
        const std::string later = "; de volgende sync haalt hem op";
        if (memo == memos.end()) return;
        if (!held) return skip(what + ": de afspraak op " + href + " is er niet meer of kon niet gelezen worden" + later);
        ics::ImportWindow around = window();  // an occurrence gone by is found as well
        around.from = std::min(around.from, change.before.date);
        around.to = std::max(around.to, change.before.date);
        for (int attempt = 1;; ++attempt) {
            if (!unchangedThere(*event, *held))
                return skip(what + ": de afspraak op " + href +
                            (held->etag.empty() ? " heeft geen ETag, en kan zo niet veilig gewijzigd worden; wijzig hem op de server zelf"
                                                : " veranderde intussen op de server" + later));
            const auto changed = ics::changeEvent(held->data, around, change, settings_.dtstamp);
            if (!changed)
                return skip(what + ": de memo is in de afspraak op " + href + " niet terug te vinden; wijzig hem op de server zelf");
            std::optional<std::string> etag;
            try {
                etag = dav.put(href, *changed, held->etag);
            } catch (const DavRefused& e) {
                return refusedWrite(e, what, "pas de memo aan, of vraag de beheerder van de server waarom");
            }
            if (etag) {
                refusedInARow_ = 0;
                *held = {href, *etag, *changed, {}};
                break;
            }
            // Changed since it was read, or a server whose ETag changes with
            // every answer: read once more, and written when still the same.
            if (attempt == 2 || !readAgain(dav, href, *held))
                return skip(what + ": de server gaf de afspraak op " + href +
                            " bij elke vraag een andere ETag (412); de volgende sync probeert het opnieuw");
        }
        if (change.after)
            *memo = *change.after;
        else
            memos.erase(memo);
        *event = SyncedEvent(event->href(), held->etag, event->uid(), memos);
        ++(change.after ? report_.up : report_.deletedThere);
    }

    // Deleted here: the event goes, unless it changed there meanwhile.
    void deleteThere(CalendarServer& dav, const std::string& href) {
        const auto event = std::find_if(state_.events.begin(), state_.events.end(),
                                        [&](const SyncedEvent& e) { return e.href() == href; });
        const std::string what = "afspraak " + href + " niet verwijderd";
        std::string etag(event->etag());
        for (int attempt = 1;; ++attempt) {
            bool gone = false;
            try {
                gone = dav.remove(href, etag);
            } catch (const DavRefused& e) {
                return refusedWrite(e, what, "verwijder hem op de server zelf, of vraag de beheerder van de server waarom");
            }
            if (gone) {
                refusedInARow_ = 0;
                state_.events.erase(event);
                ++report_.deletedThere;
                return;
            }
            // Changed there meanwhile: it stays, and comes down next time;
            // only its ETag changed: deleted under the new one.
            DavItem held;
            if (attempt == 2 || !readAgain(dav, href, held) || !unchangedThere(*event, held))
                return skip(what + ": hij veranderde intussen op de server (412); de volgende sync haalt hem op");
            etag = held.etag;
        }
    }

    void writeToServer(CalendarServer& dav, const Reconciled& plan) {
        const std::size_t total = plan.deleteThere.size() + plan.putThere.size() + plan.editThere.size();
        std::size_t writes = 0;
        const auto wrote = [&] {
            if (++writes % kSaveEvery == 0) save();
            if (settings_.progress) settings_.progress(writes, total);
        };
        for (const auto& href : plan.deleteThere) {
            deleteThere(dav, href);
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
            const auto it = held.find(href);
            editThere(dav, it == held.end() ? nullptr : &it->second, href, change);
            wrote();
        }
        for (const auto& [memo, uid] : plan.putThere) {
            // A memo without a calendar day gives no event: never offered.
            const auto calendar = ics::eventCalendar(memo, uid, settings_.dtstamp);
            const std::string href = dav.hrefFor(uid);
            std::optional<std::string> etag;
            try {
                // One there already (a sync cut short put it up): paired next time.
                if (calendar) etag = dav.put(href, *calendar, std::nullopt);
            } catch (const DavRefused& e) {
                refusedWrite(e, memoName(memo) + " niet naar de server", "pas de memo aan, of vraag de beheerder van de server waarom");
                wrote();
                continue;
            }
            if (etag) {
                refusedInARow_ = 0;
                state_.events.emplace_back(href, *etag, uid, std::vector<MemoRecord>{memo});
                ++report_.up;
            } else if (calendar) {
                skip(memoName(memo) + " niet naar de server: daar kwam intussen een afspraak op " + href +
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
    const ServerMaker& makeServer_;
    std::filesystem::path statePath_;
    SyncState state_;
    std::string saved_;  // the digest of the state as the file holds it
    std::string token_;  // the server's, for the next sync
    SyncReport report_;
    std::size_t refusedInARow_ = 0;
};

}  // namespace

SyncError::SyncError(const std::string& message) : std::runtime_error(shownText(message)) {}

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

SyncReport synchronize(FileSystem& fs, MemoFile& file, const SyncSettings& settings, const ServerMaker& server) {
    return Synchronizer(fs, file, settings, server).run();
}

}  // namespace jotanor::sync
