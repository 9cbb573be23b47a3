// The commands on the memos of a memo file, each values in and a result
// out: enter, change, copy and delete a memo found by its content, several
// of those in one change, the yearly pass, the holiday check and the
// backup. Every change of the file is one batch of edits through
// applyEdits. They never ask the user; the front end asks and shows.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "diary/Backup.h"
#include "store/MemoEdit.h"
#include "store/MemoFile.h"
#include "store/MemoRecord.h"
#include "store/Recurrence.h"

namespace jotanor {

// Where the memo is now (found by content anywhere in the file), or nothing.
std::optional<std::size_t> locateMemo(MemoFile& file, const MemoRef& ref);

// Stores a memo at its place in date order (also a copy); gives its position.
std::size_t mydata1_opbergen(MemoFile& file, const MemoRecord& memo);

enum class EditOutcome {
    Done,
    Gone,         // the memo to delete is no longer in the file: nothing changed
    StoredAnew,   // the memo to change was changed or deleted meanwhile: the typed memo was added
    AlreadyThere, // an add unless already there: another change had added it meanwhile
};

// Replaces the memo by `typed` in one step. When another copy of the program
// changed or deleted it meanwhile, what the user typed is still stored.
EditOutcome changeMemo(MemoFile& file, const MemoRef& ref, const MemoRecord& typed);
// Deletes the memo: Gone, and nothing changed, when the file no longer holds it.
EditOutcome wisrecord1(MemoFile& file, const MemoRef& ref);

// Applies the edits in order, in one change of the file: all or none of
// them reach it. Each gives its outcome as changeMemo and wisrecord1 do;
// `places`, when given, gets per edit where the memo it stored stands in
// the file as the change leaves it (kNotStored where it stored none).
inline constexpr std::size_t kNotStored = static_cast<std::size_t>(-1);
std::vector<EditOutcome> applyEdits(MemoFile& file, std::span<const MemoEdit> edits,
                                    std::vector<std::size_t>* places = nullptr);

// The texts a front end shows for the outcomes.
inline constexpr const char* kMemoGoneText =
    "Deze memo staat niet meer in het bestand; hij is intussen gewijzigd of verwijderd.";
inline constexpr const char* kEditKeptText =
    "De memo was intussen gewijzigd of verwijderd; uw wijziging is als nieuwe memo bewaard.";

// The user's side of the yearly pass.
class RecurrenceQuestions {
public:
    virtual ~RecurrenceQuestions() = default;
    // Yes: move the memo one year on.
    virtual bool askMove(const std::string& question) = 0;
    // OK: keep the memo where it is and drop its star.
    virtual bool askDropStar(const std::string& question) = 0;
};

// The two questions, in the memo's Windows-1252 bytes. Both show the memo's
// present date ("dd. 7-3-2023").
std::string moveQuestion(const Ymd& present, const MemoRecord& record);
std::string dropStarQuestion(const Ymd& present, const MemoRecord& record);

// The yearly pass over the starred memos (see Recurrence.h): asks about
// every due memo, first in file order, until none is left. Yes moves it one
// year on, No then OK drops its star, No then Cancel leaves it and asks
// about it again. The answers reach the file in one change at the end; a
// memo another copy of the program moved the same way meanwhile is moved
// once. File errors end the pass.
void yearlyPass(MemoFile& file, DaySerial today, RecurrenceQuestions& questions);
// Stores the holiday memos of last, this and next year that the file misses;
// gives how many were stored.
std::size_t holidayCheck(MemoFile& file, int thisYear);
// Copies the memo file to `place` (nothing when `place` is empty), or to the
// default place's stand-in beside the settings (see Backup.h).
std::optional<BackupMade> backupTo(FileSystem& fs, MemoFile& file, const std::filesystem::path& place,
                                   const std::filesystem::path& settingsFolder);

}  // namespace jotanor
