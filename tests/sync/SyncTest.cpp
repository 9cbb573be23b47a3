// The sync: the reconcile of the two sides, the summary, a diary that is
// gone, the state kept between syncs, and whole syncs against a calendar
// server held in memory.
#include <gtest/gtest.h>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <set>

#include "dates/Dates.h"
#include "diary/MemoCommands.h"
#include "ics/Ics.h"
#include "store/SafeWrite.h"
#include "sync/CalDav.h"
#include "sync/Reconcile.h"
#include "sync/Sync.h"
#include "sync/SyncState.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

// The two sides of a sync, from what the last sync saw: Tandarts (event
// "t") and Kapper ("k").
TEST(Reconcile, EachSideGetsTheOthersChangesAndAConflictKeepsBoth) {
    const DaySerial may = encodeDate(2026, 5, 10);
    const MemoRecord t{may, "Tandarts", ""}, k{may + 1, "Kapper", ""}, x{may + 2, "Markt", ""};
    const MemoRecord tHere{may, "Tandarts 9:00", ""}, tThere{may, "Tandarts 10:00", ""};
    const MemoRecord star{encodeDate(2026, 3, 5), "*Jarig", ""}, starMoved{encodeDate(2027, 3, 5), "*Jarig", ""};
    const std::vector<sync::SyncedEvent> last = {{"t", "1", "", {t}}, {"k", "1", "", {k}}};
    const auto changed = [](std::string href, MemoRecord memo) {
        sync::ServerChanges s;
        s.changed[href] = {"2", "", {memo}};
        return s;
    };
    sync::ServerChanges removedT;
    removedT.removed = {"t"};
    // After the state was lost: on the server with the UID the diary gives
    // x (with a trailing blank no event holds), saying the same, or not.
    const MemoRecord xBlank{may + 2, "Markt ", ""}, xThere{may + 2, "Markt 8:00", ""};
    sync::ServerChanges ours, theirs;
    ours.changed["x"] = {"1", ics::memoUid(xBlank), {x}};
    theirs.changed["x"] = {"1", ics::memoUid(x), {xThere}};
    // A weekly event: one occurrence changed or deleted here.
    const MemoRecord w1{may, "Zwemmen", ""}, w2{may + 7, "Zwemmen", ""}, w2Here{may + 7, "Zwemmen 8:00", ""};
    const std::vector<sync::SyncedEvent> weekly = {{"w", "1", "w@telefoon", {w1, w2}}};
    // A phone's timed event; two on one day alike but for their titles.
    const MemoRecord o{may + 3, "Overleg", "14:00\x96" "15:30 Kantoor"}, oBoth{may + 3, "Overleg team", "14:00\x96" "15:30 Kantoor B"};
    const MemoRecord a{may + 4, "Overleg", "14:00 Kantoor"}, b{may + 4, "Lunch", "14:00 Kantoor"};
    const MemoRecord a2{may + 4, "Overleg team", "14:00 Kantoor"}, b2{may + 4, "Lunch met Jan", "14:00 Kantoor"};
    const std::vector<sync::SyncedEvent> phone = {{"a", "1", "", {a}}, {"b", "1", "", {b}}};
    const MemoRecord kStar{may + 1, "*Kapper", ""}, starOff{star.date, "Jarig", ""};
    sync::ServerChanges twoAlike;
    twoAlike.changed = {{"x1", {"1", "x1", {x}}}, {"x2", {"1", "x2", {x}}}};
    using Edits = std::vector<std::pair<MemoRecord, std::optional<MemoRecord>>>;
    const struct {
        const char* name;
        std::vector<sync::SyncedEvent> last;
        std::vector<MemoRecord> diary;
        sync::ServerChanges server;
        std::vector<MemoRecord> removeHere, addHere, putThere;
        std::vector<std::string> deleteThere;
        std::size_t conflicts = 0;
        Edits editThere = {};
    } cases[] = {
        {"nothing changed", last, {t, k}, {}, {}, {}, {}, {}},
        {"added here", last, {t, k, x}, {}, {}, {}, {x}, {}},
        {"added there", last, {t, k}, changed("x", x), {}, {x}, {}, {}},
        {"changed here: into the event", last, {tHere, k}, {}, {}, {}, {}, {}, 0, {{t, tHere}}},
        {"changed there", last, {t, k}, changed("t", tThere), {t}, {tThere}, {}, {}},
        {"deleted here", last, {k}, {}, {}, {}, {}, {"t"}},
        {"deleted there", last, {t, k}, removedT, {t}, {}, {}, {}},
        {"both changed: both versions stay", last, {tHere, k}, changed("t", tThere), {}, {tThere}, {tHere}, {}, 1},
        {"both changed alike: nothing comes down, no conflict", last, {tHere, k}, changed("t", tHere), {}, {}, {}, {}},
        {"changed here, deleted there: the change goes up", last, {tHere, k}, removedT, {}, {}, {tHere}, {}},
        {"deleted here, changed there: the change comes down", last, {k}, changed("t", tThere), {}, {tThere}, {}, {}, 0},
        {"no state: an event with the diary's UID saying the same is its memo's", {}, {xBlank}, ours, {}, {}, {}, {}},
        {"no state: the diary's UID saying else: both stay", {}, {x}, theirs, {}, {xThere}, {x}, {}, 1},
        {"one occurrence changed here: into the event", weekly, {w1, w2Here}, {}, {}, {}, {}, {}, 0, {{w2, w2Here}}},
        {"one occurrence deleted here: an exception", weekly, {w1}, {}, {}, {}, {}, {}, 0, {{w2, std::nullopt}}},
        {"every occurrence deleted here: the event goes", weekly, {}, {}, {}, {}, {}, {"w"}},
        {"no state: an equal memo pairs, the rest comes and goes", {}, {t, k}, changed("t2", t), {}, {}, {k}, {}},
        {"a starred memo moved on a year stays paired", {{"s", "1", "", {star}}}, {starMoved}, {}, {}, {}, {}, {}},
        {"title and place changed here: one edit", {{"o", "1", "", {o}}}, {oBoth}, {}, {}, {}, {}, {}, 0, {{o, oBoth}}},
        {"two edits paired by what stayed, not by file order", phone, {b2, a2}, {}, {}, {}, {}, {}, 0, {{a, a2}, {b, b2}}},
        {"a star put before the title: an edit", last, {t, kStar}, {}, {}, {}, {}, {}, 0, {{k, kStar}}},
        {"a star taken away: an edit", {{"s", "1", "", {star}}}, {starOff}, {}, {}, {}, {}, {}, 0, {{star, starOff}}},
        {"a memo with no calendar day goes up neither new nor as an edit", last,
         {{std::numeric_limits<double>::quiet_NaN(), "Tandarts", ""}, k}, {}, {}, {}, {}, {"t"}},
        {"two events giving one memo: two memos", {}, {}, twoAlike, {}, {x, x}, {}, {}},
        {"... and they stay two", {{"x1", "1", "x1", {x}}, {"x2", "1", "x2", {x}}}, {x, x}, {}, {}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        const sync::Reconciled r = sync::reconcile(c.last, c.diary, c.server);
        std::vector<MemoRecord> removed, added, put;
        for (std::size_t i = 0; i < r.here.size(); ++i) (i < r.removals ? removed : added).push_back(i < r.removals ? r.here[i].old->memo : *r.here[i].memo);
        for (const auto& [memo, uid] : r.putThere) put.push_back(memo);
        EXPECT_EQ(removed, c.removeHere) << c.name;
        EXPECT_EQ(added, c.addHere) << c.name;
        EXPECT_EQ(put, c.putThere) << c.name;
        EXPECT_EQ(r.deleteThere, c.deleteThere) << c.name;
        EXPECT_EQ(r.conflicts, c.conflicts) << c.name;
        // A change there counts once, not as a deletion here too.
        EXPECT_EQ(r.replaced, std::min(removed.size(), added.size())) << c.name;
        Edits edits;
        for (const auto& [href, change] : r.editThere) edits.emplace_back(change.before, change.after);
        EXPECT_EQ(edits, c.editThere) << c.name;
        for (const auto& [memo, uid] : r.putThere)
            for (const auto& [href, event] : c.server.changed) EXPECT_NE(uid, event.uid) << c.name;
        // What the sync saw: each event once, but those gone from the server.
        std::set<std::string> hrefs, seen;
        for (const auto& event : c.last)
            if (!c.server.removed.contains(std::string(event.href()))) hrefs.emplace(event.href());
        for (const auto& [href, event] : c.server.changed) hrefs.insert(href);
        for (const auto& event : r.events) EXPECT_TRUE(seen.emplace(event.href()).second) << c.name;
        EXPECT_EQ(seen, hrefs) << c.name;
    }
}

// A diary that synced before and is gone: making it anew and syncing would
// delete every event on the server. Refused before any network work.
TEST(Sync, TheSummaryCountsWhatWasCutAndNamesWhatTheDiaryHasNoDayFor) {
    sync::SyncReport report;
    report.up = 1, report.conflicts = 1;
    EXPECT_EQ(sync::summary(report), "1 naar de server, 0 van de server, 0 hier verwijderd, 0 op de server verwijderd, 1 conflict");
    report.cut = 2, report.undatable = {"Ver weg", "Later"}, report.bounded = {"Elke\x1b[2J minuut"};
    EXPECT_EQ(sync::summary(report), "1 naar de server, 0 van de server, 0 hier verwijderd, 0 op de server verwijderd, "
                                     "1 conflict, 2 ingekort, 2 overgeslagen (buiten de data van het dagboek: \"Ver weg\", \"Later\"), "
                                     "1 vaker dan dagelijks herhaald, alleen de eerste 1.000 keer: \"Elke^[[2J minuut\"");
}

TEST(Sync, ADiaryThatSyncedAndIsGoneIsNotMadeAnew) {
    test::TempDir dir;
    const auto memoPath = dir.file("jotanor1.mem");
    MemoFile file{nativeFileSystem(), memoPath};
    sync::SyncSettings settings;
    settings.server.url = "http://127.0.0.1:9/dagboek";
    settings.today = encodeDate(2026, 5, 2);
    // Without a state: started empty, then the server is not there.
    EXPECT_THROW(sync::synchronize(nativeFileSystem(), file, settings, sync::calDavServer), sync::DavError);
    EXPECT_TRUE(std::filesystem::exists(memoPath));
    std::filesystem::remove(memoPath);
    const std::string state = sync::encodeState({"http://127.0.0.1:9/dagboek/", "", {{"/dagboek/a.ics", "1", "a", {{1.0, "a", ""}}}}, "", ""});
    std::ofstream(sync::statePath(memoPath), std::ios::binary) << state;
    try {
        sync::synchronize(nativeFileSystem(), file, settings, sync::calDavServer);
        ADD_FAILURE() << "synced";
    } catch (const sync::SyncError& e) {
        EXPECT_NE(std::string(e.what()).find("is er niet meer"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(memoPath));
}

// A calendar in memory: every change a new version (the token and the
// ctag), and faults on request.
// A memo as the table names it: its title, and its line 2 when it has one.
std::string named(const MemoRecord& memo) { return memo.line2.empty() ? memo.line1 : memo.line1 + " / " + memo.line2; }

struct FakeCalendar {
    struct Event {
        std::string etag, data;
    };
    std::map<std::string, Event> events;
    std::map<std::string, int> changedAt;  // href, version; minus the version it went
    int version = 1;
    std::size_t stopAfterWrites = SIZE_MAX;  // then DavStopped
    std::set<std::string> refused, unreadable;
    bool churning = false;  // a new ETag with every answer
    std::size_t calls = 0;
    static constexpr DaySerial kToday = 46144;  // 2 May 2026

    static std::string hrefFor(const std::string& uid) { return "/agenda/" + uid + ".ics"; }
    void store(const std::string& href, std::string data) {
        events[href] = {"e" + std::to_string(++version), std::move(data)};
        changedAt[href] = version;
    }
    void add(const MemoRecord& memo, const std::string& uid) {
        store(hrefFor(uid), *ics::eventCalendar(memo, uid, "20260502T000000Z"));
    }
    void drop(const std::string& href) {
        events.erase(href);
        changedAt[href] = -++version;
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> out;
        for (const auto& [href, event] : events)
            for (const auto& memo : ics::readCalendar(event.data, {kToday, kToday, kToday + 365, {}, true}).memos)
                out.push_back(named(memo.record));
        std::sort(out.begin(), out.end());
        return out;
    }
};

// The calendar as a server: ETags checked as a server checks them.
class FakeServer final : public sync::CalendarServer {
public:
    explicit FakeServer(FakeCalendar& c) : c_(c) {}
    std::string address() const override { return "http://nep/agenda/"; }
    std::string checkCalendar() override { return ++c_.calls, std::to_string(c_.version); }
    sync::DavListing changesSince(const std::string& token) override {
        ++c_.calls;
        sync::DavListing listing;
        const int since = token.empty() ? 0 : std::stoi(token);
        listing.complete = since == 0;
        listing.token = std::to_string(c_.version);
        for (const auto& [href, at] : c_.changedAt) {
            if (std::abs(at) <= since) continue;
            if (at > 0)
                listing.items.push_back({href, c_.events.at(href).etag, {}, {}});
            else if (since > 0)
                listing.removed.push_back(href);
        }
        return listing;
    }
    void fetch(const std::vector<std::string>& hrefs, const std::function<void(sync::DavItem&)>& each,
               const std::function<void(std::size_t, std::size_t)>&) override {
        ++c_.calls;
        for (const auto& href : hrefs) {
            const auto it = c_.events.find(href);
            if (it == c_.events.end()) continue;
            if (c_.churning) c_.store(href, it->second.data);
            sync::DavItem item{href, it->second.etag, it->second.data, {}};
            if (c_.unreadable.contains(href)) item = {href, it->second.etag, {}, "kapot"};
            each(item);
        }
    }
    std::optional<std::string> put(const std::string& href, const std::string& calendar,
                                   const std::optional<std::string>& ifMatch) override {
        write(href);
        const auto it = c_.events.find(href);
        if (ifMatch ? it == c_.events.end() || it->second.etag != *ifMatch : it != c_.events.end()) return std::nullopt;
        c_.store(href, calendar);
        return c_.events[href].etag;
    }
    bool remove(const std::string& href, const std::string& etag) override {
        write(href);
        const auto it = c_.events.find(href);
        if (it != c_.events.end() && it->second.etag != etag) return false;
        if (it != c_.events.end()) c_.drop(href);
        return true;
    }
    std::string hrefFor(const std::string& uid) const override { return FakeCalendar::hrefFor(uid); }
    std::size_t requests() const override { return c_.calls; }

private:
    void write(const std::string& href) {
        ++c_.calls;
        if (c_.stopAfterWrites-- == 0) throw sync::DavStopped("gestopt");
        if (c_.refused.contains(href)) throw sync::DavRefused("geweigerd", 400);
    }
    FakeCalendar& c_;
};

std::vector<std::string> titlesOf(const std::vector<MemoRecord>& memos) {
    std::vector<std::string> out;
    for (const auto& memo : memos) out.push_back(named(memo));
    std::sort(out.begin(), out.end());
    return out;
}

// Two syncs of a diary and the server: the first pairs what both hold,
// then each side changes, then the second brings the changes across (and
// when stopped, a third finishes it). Each row breaks when one rule of the
// sync does.
TEST(SyncWithServer, EachSideGetsTheOthersChanges) {
    const DaySerial may = FakeCalendar::kToday + 8;
    const MemoRecord t{may, "Tandarts", ""}, k{may + 1, "Kapper", ""}, x{may + 2, "Markt", ""};
    const MemoRecord tHere{may, "Tandarts 9:00", ""}, tThere{may, "Tandarts 10:00", ""};
    const auto tHref = "/agenda/" + ics::memoUid(t) + ".ics";
    using Change = std::function<void(MemoFile&, FakeCalendar&)>;
    const auto changeHere = [](MemoRecord from, MemoRecord to) {
        return [=](MemoFile& f, FakeCalendar&) { changeMemo(f, {from, 0}, to); };
    };
    const auto changeThere = [&](MemoRecord to) {
        return [=](MemoFile&, FakeCalendar& s) { s.store(tHref, *ics::eventCalendar(to, ics::memoUid(t), "20260503T000000Z")); };
    };
    struct Row {
        const char* name;
        std::vector<MemoRecord> diary, server;  // the server's under their own UIDs
        Change change;
        std::vector<std::string> diaryAfter, serverAfter;
        std::size_t up = 0, down = 0, deletedHere = 0, deletedThere = 0, conflicts = 0, skipped = 0;
        std::size_t stopAfter = SIZE_MAX;  // writes in the second sync
    };
    const Row rows[] = {
        {"the same memo on both sides pairs: nothing moves", {t, k}, {t}, {},
         {"Kapper", "Tandarts"}, {"Kapper", "Tandarts"}},
        {"added here goes up", {t}, {}, [&](MemoFile& f, FakeCalendar&) { mydata1_opbergen(f, x); },
         {"Markt", "Tandarts"}, {"Markt", "Tandarts"}, 1},
        {"added there comes down", {t}, {}, [&](MemoFile&, FakeCalendar& s) { s.add(x, "x@telefoon"); },
         {"Markt", "Tandarts"}, {"Markt", "Tandarts"}, 0, 1},
        {"deleted here: the event goes", {t, k}, {}, [&](MemoFile& f, FakeCalendar&) { wisrecord1(f, {t, 0}); },
         {"Kapper"}, {"Kapper"}, 0, 0, 0, 1},
        {"deleted there: the memo goes", {t, k}, {}, [&](MemoFile&, FakeCalendar& s) { s.drop(tHref); },
         {"Kapper"}, {"Kapper"}, 0, 0, 1},
        {"changed here: into the event", {t}, {}, changeHere(t, tHere), {"Tandarts 9:00"}, {"Tandarts 9:00"}, 1},
        {"changed there: comes down", {t}, {}, changeThere(tThere), {"Tandarts 10:00"}, {"Tandarts 10:00"}, 0, 1},
        {"a zone of its own comes down on its own clock, whatever the machine's", {t}, {},
         [&](MemoFile&, FakeCalendar& s) {
             s.store("/agenda/tokio.ics", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//NL\r\nBEGIN:VEVENT\r\nUID:tokio\r\n"
                                          "DTSTART;TZID=Asia/Tokyo:20260515T140000\r\nSUMMARY:Overleg\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
         },
         {"Overleg / 14:00", "Tandarts"}, {"Overleg / 14:00", "Tandarts"}, 0, 1},
        {"changed on both sides: both versions stay", {t}, {},
         [&](MemoFile& f, FakeCalendar& s) { changeHere(t, tHere)(f, s), changeThere(tThere)(f, s); },
         {"Tandarts 10:00", "Tandarts 9:00"}, {"Tandarts 10:00", "Tandarts 9:00"}, 1, 1, 0, 0, 1},
        {"deleted here, changed there: the change comes down", {t}, {},
         [&](MemoFile& f, FakeCalendar& s) { wisrecord1(f, {t, 0}), changeThere(tThere)(f, s); },
         {"Tandarts 10:00"}, {"Tandarts 10:00"}, 0, 1},
        {"changed here, deleted there: the change goes up", {t}, {},
         [&](MemoFile& f, FakeCalendar& s) { changeHere(t, tHere)(f, s), s.drop(tHref); },
         {"Tandarts 9:00"}, {"Tandarts 9:00"}, 1},
        {"a new ETag with every answer: a change here still goes in", {t}, {},
         [&](MemoFile& f, FakeCalendar& s) { s.churning = true, changeHere(t, tHere)(f, s); }, {"Tandarts 9:00"}, {"Tandarts 9:00"}, 1},
        {"a refused write is told, the others go", {t}, {},
         [&](MemoFile& f, FakeCalendar& s) { mydata1_opbergen(f, x), mydata1_opbergen(f, k), s.refused.insert(s.hrefFor(ics::memoUid(x))); },
         {"Kapper", "Markt", "Tandarts"}, {"Kapper", "Tandarts"}, 1, 0, 0, 0, 0, 1},
        {"an unreadable event stays as it was here", {t}, {},
         [&](MemoFile& f, FakeCalendar& s) { changeThere(tThere)(f, s), s.unreadable.insert(tHref); },
         {"Tandarts"}, {"Tandarts 10:00"}, 0, 0, 0, 0, 0, 1},
        {"a stopped sync keeps what went up: the next puts the rest once", {t}, {},
         [&](MemoFile& f, FakeCalendar&) { mydata1_opbergen(f, x), mydata1_opbergen(f, k); },
         {"Kapper", "Markt", "Tandarts"}, {"Kapper", "Markt", "Tandarts"}, 1, 0, 0, 0, 0, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        test::writeMemos(dir.file("m.mem"), row.diary);
        MemoFile file(nativeFileSystem(), dir.file("m.mem"));
        FakeCalendar server;
        for (std::size_t i = 0; i < row.server.size(); ++i) server.add(row.server[i], "s" + std::to_string(i) + "@telefoon");
        sync::SyncSettings settings;
        settings.today = FakeCalendar::kToday;
        settings.dtstamp = "20260502T000000Z";
        settings.allowEmpty = true;  // a diary emptied by a row
        const sync::ServerMaker fake = [&](const sync::DavSettings&) {
            return std::make_unique<FakeServer>(server);
        };
        sync::synchronize(nativeFileSystem(), file, settings, fake);
        if (row.change) row.change(file, server);
        server.stopAfterWrites = row.stopAfter;
        sync::SyncReport report;
        try {
            report = sync::synchronize(nativeFileSystem(), file, settings, fake);
        } catch (const sync::DavStopped&) {
            // What went up before the stop is in the state.
            EXPECT_EQ(sync::readState(nativeFileSystem(), sync::statePath(file.path())).events.size(), server.events.size());
            server.stopAfterWrites = SIZE_MAX;
            report = sync::synchronize(nativeFileSystem(), file, settings, fake);
        }
        EXPECT_EQ(titlesOf(file.readAll()), row.diaryAfter) << row.name;
        EXPECT_EQ(server.titles(), row.serverAfter) << row.name;
        EXPECT_EQ(report.up, row.up) << row.name;
        EXPECT_EQ(report.down, row.down) << row.name;
        EXPECT_EQ(report.deletedHere, row.deletedHere) << row.name;
        EXPECT_EQ(report.deletedThere, row.deletedThere) << row.name;
        EXPECT_EQ(report.conflicts, row.conflicts) << row.name;
        EXPECT_EQ(report.skipped.size(), row.skipped) << row.name;
        // Without the faults the next sync brings the sides together, and
        // the one after finds nothing to do.
        server.refused.clear(), server.unreadable.clear(), server.churning = false;
        sync::synchronize(nativeFileSystem(), file, settings, fake);
        EXPECT_EQ(titlesOf(file.readAll()), server.titles()) << row.name;
        const sync::SyncReport r = sync::synchronize(nativeFileSystem(), file, settings, fake);
        EXPECT_EQ(r.up + r.down + r.deletedHere + r.deletedThere + r.conflicts + r.skipped.size(), 0u) << row.name;
    }
}

TEST(SyncState, EveryFieldComesBackAsItWas) {
    sync::SyncState state{"https://dav.example/anna/dagboek/", "http://radicale.org/ns/sync/1", {}, "sync-token t\nctag\t7",
                          "0123456789abcdef0123456789abcdef"};
    state.events.emplace_back("/anna/dagboek/a b%41@x.ics", "\"e\ttag\"", "uid\n1");
    state.events.back().setMemos({{std::numeric_limits<double>::quiet_NaN(), "tab\there%20", std::string("nul\0\r\n", 6)},
                                  {-0.0, "", "*"}});
    state.events.emplace_back("/anna/dagboek/leeg.ics", "", "");
    const sync::SyncState back = sync::decodeState(sync::encodeState(state));
    EXPECT_EQ(sync::encodeState(back), sync::encodeState(state));
    ASSERT_EQ(back.events.size(), 2u);
    EXPECT_EQ(back.events[0].href(), state.events[0].href());
    EXPECT_EQ(back.events[0].memos()[0].line2, state.events[0].memos()[0].line2);
    EXPECT_TRUE(std::isnan(back.events[0].memos()[0].date));
    EXPECT_TRUE(std::signbit(back.events[0].memos()[1].date));
    sync::SyncedEvent changed = back.events[0];  // a new ETag keeps the rest
    changed.setEtag("nieuw");
    EXPECT_EQ(changed.etag(), "nieuw");
    EXPECT_EQ(changed.uid(), "uid\n1");
    EXPECT_EQ(changed.memos()[0].line2, state.events[0].memos()[0].line2);
    EXPECT_EQ(changed.memos()[1].line2, "*");
    EXPECT_EQ(back.collectionTag, state.collectionTag);
    EXPECT_EQ(back.diary, state.diary);
    for (const char* bad : {"", "jotanor-sync 3\n", "jotanor-sync 1\nmemo\t0\ta\tb\n", "jotanor-sync 1\nurl\t%4\n"})
        EXPECT_THROW(sync::decodeState(bad), std::runtime_error) << bad;

    // A state of the first version still reads, as one that keeps no
    // version; a head-only read stops at the first event, however far the
    // file's blocks go.
    test::TempDir dir;
    const std::string old = "jotanor-sync 1\nurl\thttps://dav.example/d/\ntoken\tt1\nevent\t/d/a.ics\t1\ta\n"
                            "memo\t3ff0000000000000\ta\t\n";
    std::ofstream(dir.file("oud"), std::ios::binary) << old;
    const sync::SyncState read = sync::readState(nativeFileSystem(), dir.file("oud"));
    EXPECT_EQ(sync::encodeState(read), sync::encodeState({"https://dav.example/d/", "t1", {{"/d/a.ics", "1", "a", {{1.0, "a", ""}}}}, "", ""}));
    std::ofstream(dir.file("nieuw"), std::ios::binary) << sync::encodeState(state) << std::string(200000, 'x');
    const sync::SyncState head = sync::readState(nativeFileSystem(), dir.file("nieuw"), true);
    EXPECT_TRUE(head.events.empty());
    EXPECT_EQ(head.collectionTag, state.collectionTag);
    EXPECT_THROW(sync::readState(nativeFileSystem(), dir.file("nieuw")), std::runtime_error);
    // A state bigger than the pieces a sync saves it in reads back whole.
    for (int i = 0; i < 1000; ++i)
        state.events.emplace_back("/anna/dagboek/" + std::to_string(i) + ".ics", "e", "u",
                                  std::vector<MemoRecord>{{1.0, std::string(100, 'x'), ""}});
    PendingFile pending(nativeFileSystem(), dir.file("groot"));
    sync::encodeState(state, [&](std::string_view piece) { pending.append(piece.data(), piece.size()); });
    pending.commit();
    EXPECT_EQ(sync::readState(nativeFileSystem(), dir.file("groot")).events.size(), 1002u);

    // The memo file's digest: the same bytes in any pieces alike, one byte
    // or the order of two records not.
    const auto digest = [](std::initializer_list<std::string_view> pieces) {
        sync::Digest d;
        for (const auto piece : pieces) d.add(piece.data(), piece.size());
        return d.hex();
    };
    EXPECT_EQ(digest({"abcdef"}), digest({"ab", "", "cdef"}));
    EXPECT_EQ(digest({"abcdef"}).size(), 32u);
    EXPECT_NE(digest({"abcdef"}), digest({"abcdeg"}));
    EXPECT_NE(digest({"abc", "def"}), digest({"def", "abc"}));
    EXPECT_NE(digest({""}), digest({std::string_view("\0", 1)}));
}

}  // namespace
}  // namespace jotanor
