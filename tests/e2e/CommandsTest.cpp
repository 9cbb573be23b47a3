// Entering, changing, copying, deleting and finding memos with the keyboard alone.
#include "e2e/Fixture.h"

namespace jotanor::e2e {
namespace {

class Commands : public EndToEnd {
protected:
    // A dialog opened from the main window, answered with keys, then gone.
    void inDialog(const std::string& title, const std::function<void()>& keys) {
        ASSERT_TRUE(display->waitForWindow("^" + title + "$")) << "no window \"" << title << "\"";
        keys();
        ASSERT_TRUE(display->waitUntilGone("^" + title + "$")) << "\"" << title << "\" stayed open";
    }

    // A click on the first memo block of the list, then a command key.
    void onFirstMemo(const std::string& window, const std::string& commandKey) {
        display->focus(window);
        // Below the header labels: the block's second line, whatever the menu's height.
        display->xdotool({"mousemove", "--window", window, "100", "90", "click", "1"});
        display->key({commandKey});
    }
};

TEST_F(Commands, EnterChangeCopyAndDeleteAMemo) {
    const auto holidays = holidays2025to2027();
    putFile(memoPath, memoBytes(holidays));
    std::optional<Program> program;
    const auto window = startToMainWindow(program);
    expectFile(memoPath, memoBytes(holidays));  // the activation has run

    // I opens the calendar; its own key I asks for the entry of today's memo.
    display->key({"i"});
    ASSERT_TRUE(display->waitForWindow("^Kalender$")) << program->log();
    display->key({"i"});
    inDialog("Invoer van een record", [&] {
        display->type("Tandarts 10 uur");
        display->key({"Tab"});
        display->type("Bellen");
        display->key({"Return"});
    });
    auto memos = holidays;
    memos.push_back({2026, 12, 6, "Tandarts 10 uur", "Bellen"});
    expectFile(memoPath, memoBytes(sorted(memos)));

    // F2 on the listed memo: the first line rewritten.
    onFirstMemo(window, "F2");
    inDialog("Wijzigen van dit record", [&] {
        display->key({"ctrl+a"});
        display->type("Tandarts 11 uur");
        display->key({"Return"});
    });
    memos.back().line1 = "Tandarts 11 uur";
    expectFile(memoPath, memoBytes(sorted(memos)));

    // F4: a copy one year on (the year spin edit lies before the first line).
    onFirstMemo(window, "F4");
    inDialog("Maak een copie voor een andere datum", [&] {
        display->key({"shift+Tab", "Up", "Return"});
    });
    memos.push_back({2027, 12, 6, "Tandarts 11 uur", "Bellen"});
    expectFile(memoPath, memoBytes(sorted(memos)));

    // Delete asks first; "&Nee" has the focus, so the answer is given with Alt+J.
    onFirstMemo(window, "Delete");
    inDialog("Dit record verwijderen \\?", [&] { display->key({"Escape"}); });
    expectFile(memoPath, memoBytes(sorted(memos)));
    onFirstMemo(window, "Delete");
    inDialog("Dit record verwijderen \\?", [&] { display->key({"alt+j"}); });
    memos.erase(memos.end() - 2);
    expectFile(memoPath, memoBytes(sorted(memos)));

    closeWithEscape(*program, window);
}

TEST_F(Commands, ASearchListsTheMemosThatHoldTheWord) {
    auto memos = holidays2025to2027();
    memos.push_back({2026, 12, 10, "Kapper", "knippen"});
    memos.push_back({2026, 12, 20, "Garage", "banden wisselen bij de Tandarts"});
    memos.push_back({2026, 12, 22, "Tandarts", ""});
    putFile(memoPath, memoBytes(sorted(memos)));
    std::optional<Program> program;
    const auto window = startToMainWindow(program);

    // The ten-week view starts with the barber; the search view with the
    // first memo holding the word, which the delete command then removes.
    display->key({"F3"});
    inDialog("Zoeken in het bestand", [&] {
        display->type("Tandarts");
        display->key({"Return"});
    });
    onFirstMemo(window, "Delete");
    inDialog("Dit record verwijderen \\?", [&] { display->key({"alt+j"}); });
    memos.erase(memos.end() - 2);
    expectFile(memoPath, memoBytes(sorted(memos)));

    // The view shown again after the delete is the ten-week view.
    onFirstMemo(window, "Delete");
    inDialog("Dit record verwijderen \\?", [&] { display->key({"alt+j"}); });
    memos.erase(memos.end() - 2);
    expectFile(memoPath, memoBytes(sorted(memos)));
    closeWithEscape(*program, window);
}

}  // namespace
}  // namespace jotanor::e2e
