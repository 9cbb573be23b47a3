// The record commands and the search, driven through the main window and
// its real dialogs.
#include <QCheckBox>
#include <QItemSelectionModel>
#include <limits>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "calendar/Tkalenderdlg.h"
#include "diary/MemoCommands.h"
#include "mainwindow/MemoListBox.h"
#include "mainwindow/MemoListModel.h"
#include "widgets/SpinEdit.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Tinvoerdlg.h"
#include "mainwindow/Twijzigdlg.h"
#include "mainwindow/Tzoekdlg.h"
#include "support/Child.h"
#include "support/FaultyFileSystem.h"
#include "support/ModalScript.h"
#include "support/UiFixture.h"

namespace jotanor {
namespace {

using test::child;
using test::withDialogs;

QLineEdit* edit(QDialog& d, const char* name) { return child<QLineEdit>(d, name); }
SpinEdit* spin(QDialog& d, const char* name) { return child<SpinEdit>(d, name); }
QPushButton* button(QDialog& d, const char* name) { return child<QPushButton>(d, name); }
QString labelText(QDialog& d, const char* name) { return child<QLabel>(d, name)->text(); }
// Clicks (or double-clicks) a day cell of the calendar's grid 1 to 4.
void clickDay(QDialog& calendar, int k, int row, int column, bool twice = false) {
    auto* g = child<MonthGridWidget>(calendar, QString("StringGrid%1").arg(k));
    const QPoint at = g->cellOrigin(row, column) + QPoint(17, 8);
    if (twice)
        QTest::mouseDClick(g, Qt::LeftButton, {}, at);
    else
        QTest::mouseClick(g, Qt::LeftButton, {}, at);
}

const DaySerial k6Dec = 46362;  // Sunday 6 December 2026, the tests' today

class RecordsTest : public test::UiFixture {
protected:
    void SetUp() override {
        writeMemos({{k6Dec - 1, "gisteren", ""}, {k6Dec, "Verjaardag", "taart"}, {k6Dec + 66, "februari", ""}});
        ASSERT_TRUE(form.FormCreate());
    }

    void writeMemos(const std::vector<MemoRecord>& memos) {
        test::writeMemos(memoPath(), memos);
    }
    std::vector<MemoRecord> stored() { return form.session().file().readAll(); }
    Session& session() { return form.session(); }
    // The entry dialog opened on `day`, as the calendar's choice opens it.
    void enterFrom(const Ymd& day) {
        entryDialog.setDate(day);
        entryDialog.exec();
    }
    MemoListBox* list() { return child<MemoListBox>(form, "ListBox1"); }
    QString title() { return child<QLabel>(form, "Label2")->text(); }

    // Fills the open entry or change dialog and presses Enter in its second line.
    static void typeLinesAndEnter(QDialog& dialog, const QString& line1, const QString& line2) {
        edit(dialog, "Edit1")->clear();
        QTest::keyClicks(edit(dialog, "Edit1"), line1);
        edit(dialog, "Edit2")->clear();
        QTest::keyClicks(edit(dialog, "Edit2"), line2);
        QTest::keyClick(edit(dialog, "Edit2"), Qt::Key_Return);
    }
    static QString spins(QDialog& dialog) {
        return QString("%1/%2/%3 %4")
            .arg(spin(dialog, "SpinEdit1")->value())
            .arg(spin(dialog, "SpinEdit2")->value())
            .arg(spin(dialog, "SpinEdit3")->value())
            .arg(labelText(dialog, "Label4"));
    }

    Tform1 form{scripted.platform()};
    // The entry and change dialogs as the window makes them, driven directly.
    ErrorSink errors{*scripted.platform().boxes};
    Tinvoerdlg entryDialog{&form, DialogContext{scripted.platform(), errors}};
    Twijzigdlg changeDialog{&form, DialogContext{scripted.platform(), errors}};
};

TEST_F(RecordsTest, ADoubleClickInTheCalendarEntersAMemoForThatDay) {
    QString caption, shown, line1;
    withDialogs({[&](QDialog& calendar) { clickDay(calendar, 4, 2, 4, true); },  // 10 February 2027
                 [&](QDialog& entry) {
                     caption = entry.windowTitle();
                     shown = spins(entry);
                     line1 = edit(entry, "Edit1")->text();
                     typeLinesAndEnter(entry, "Tandarts", "om 10 uur");
                 }},
                [&] { test::trigger(form, "Invoer1"); });
    EXPECT_EQ(caption, "Invoer van een record");
    EXPECT_EQ(shown, "10/2/2027 woensdag");
    EXPECT_EQ(line1, "");
    EXPECT_FALSE(session().dayChosen());
    const auto memos = stored();
    ASSERT_EQ(memos.size(), 4u);
    // The only other memo of that day is the last record: the new one follows it.
    EXPECT_EQ(memos[3], (MemoRecord{k6Dec + 66, "Tandarts", "om 10 uur"}));
}

TEST_F(RecordsTest, TheKeyIInTheCalendarEntersAMemoAndCancelStoresNothing) {
    auto chooseAndPressI = [](QDialog& calendar) {
        clickDay(calendar, 2, 2, 5);
        QTest::keyClick(button(calendar, "okbtn"), Qt::Key_I);  // 10 December
    };
    QString shown;
    withDialogs({chooseAndPressI,
                 [&](QDialog& entry) {
                     shown = spins(entry);
                     QTest::keyClick(edit(entry, "Edit1"), Qt::Key_Escape);
                 }},
                [&] { QTest::keyClick(list(), Qt::Key_I); });
    EXPECT_EQ(shown, "10/12/2026 donderdag");
    EXPECT_EQ(stored().size(), 3u);

    withDialogs({chooseAndPressI, [&](QDialog& entry) { typeLinesAndEnter(entry, "Kapper", ""); }},
                [&] { QTest::keyClick(list(), Qt::Key_I, Qt::ShiftModifier); });
    const auto memos = stored();
    ASSERT_EQ(memos.size(), 4u);
    EXPECT_EQ(memos[2], (MemoRecord{encodeDate(2026, 12, 10), "Kapper", ""}));

    // Without a day chosen in the calendar the entry starts from today.
    withDialogs({[](QDialog& calendar) { button(calendar, "invoerbtn")->click(); },
                 [&](QDialog& entry) {
                     shown = spins(entry);
                     entry.reject();
                 }},
                [&] { test::trigger(form, "Invoer1"); });
    EXPECT_EQ(shown, "6/12/2026 zondag");
}

// Characters a memo cannot hold are named before OK stores them as "?",
// and a screen reader reads the warning as it comes and goes.
TEST_F(RecordsTest, TheEntryDialogNamesTheCharactersThatWillBeReplaced) {
    QStringList told;
    const QString warning = "Een memo kan deze tekens niet bewaren; OK bewaart ze als \"?\": α  ő  😀";
    withDialogs({[&](QDialog& entry) {
                    auto* replaced = child<QLabel>(entry, "replacedLabel");
                    for (const char* line2 : {"Café € 5", "α ő 😀 ő", ""}) {
                        edit(entry, "Edit2")->setText(line2);
                        told << (replaced->isVisible() ? replaced->text() : "");
                        EXPECT_EQ(replaced->accessibleDescription(), replaced->isVisible() ? replaced->text() : QString());
                    }
                    edit(entry, "Edit1")->setText("Café 😀");
                    QTest::keyClick(edit(entry, "Edit2"), Qt::Key_Return);
                }},
                [&] { enterFrom({2026, 12, 8}); });
    EXPECT_EQ(told, (QStringList{"", warning, ""}));
    EXPECT_EQ(entryDialog.memo(), (MemoRecord{k6Dec + 2, "Caf\xE9 ?", ""}));
}

TEST_F(RecordsTest, AnImpossibleDateInTheEntryDialogGivesTodayAfterOneWarning) {
    QString after;
    withDialogs({[&](QDialog& dialog) {
                    EXPECT_EQ(spins(dialog), "30/4/2027 vrijdag");
                    // Typed digits count in this dialog.
                    spin(dialog, "SpinEdit3")->selectAll();
                    QTest::keyClicks(spin(dialog, "SpinEdit3"), "2028");
                    EXPECT_EQ(spins(dialog), "30/4/2028 zondag");
                    QTest::keyClick(spin(dialog, "SpinEdit1"), Qt::Key_Up);
                    after = spins(dialog);
                    dialog.reject();
                }},
                [&] { enterFrom({2027, 4, 30}); });
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(scripted.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(scripted.shown[0].text, "datum 31/4/2028 bestaat niet...");
    EXPECT_EQ(after, "6/12/2026 zondag");
}

// Setting today's day first would make 31 February on the way and warn
// about a date the user never gave.
TEST_F(RecordsTest, TheResetToTodayWarnsOnlyAboutTheDateGiven) {
    scripted.todayDate = {2027, 1, 31};
    QString after;
    withDialogs({[&](QDialog& dialog) {
                    QTest::keyClick(spin(dialog, "SpinEdit1"), Qt::Key_Up);
                    after = spins(dialog);
                    dialog.reject();
                }},
                [&] { enterFrom({2027, 2, 28}); });
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].text, "datum 29/2/2027 bestaat niet...");
    EXPECT_EQ(after, "31/1/2027 zondag");
}

TEST_F(RecordsTest, TheChangeDialogTakesNoTypingAndWarnsOfAnImpossibleDate) {
    Twijzigdlg& dlg = changeDialog;
    EXPECT_EQ(spin(dlg, "SpinEdit3")->maximum(), 3000);
    EXPECT_EQ(spin(entryDialog, "SpinEdit3")->maximum(), 2200);
    const MemoRecord memo{encodeDate(2027, 4, 30), "Tandarts", "bellen"};
    QString caption, shown, after;
    bool typing = true;
    for (DialogMode mode : {DialogMode::Change, DialogMode::Copy}) {
        dlg.setRecord(memo, mode);
        withDialogs({[&](QDialog& d) {
                        caption = d.windowTitle();
                        d.reject();
                    }},
                    [&] { dlg.exec(); });
        EXPECT_EQ(caption, mode == DialogMode::Change ? "Wijzigen van dit record"
                                                      : "Maak een copie voor een andere datum");
    }
    withDialogs({[&](QDialog&) {
                    shown = spins(dlg);
                    typing = spin(dlg, "SpinEdit1")->typing();
                    spin(dlg, "SpinEdit1")->selectAll();
                    QTest::keyClicks(spin(dlg, "SpinEdit1"), "5");
                    QTest::keyClick(spin(dlg, "SpinEdit1"), Qt::Key_Up);
                    after = spins(dlg);
                    QTest::keyClick(edit(dlg, "Edit1"), Qt::Key_Return);
                }},
                [&] { EXPECT_EQ(dlg.exec(), QDialog::Accepted); });
    EXPECT_EQ(shown, "30/4/2027 vrijdag");
    EXPECT_FALSE(typing);
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].text, "datum 31/4/2027 bestaat niet...");
    EXPECT_EQ(after, "6/12/2026 zondag");
    EXPECT_EQ(dlg.memo(), (MemoRecord{k6Dec, "Tandarts", "bellen"}));
}

TEST_F(RecordsTest, WithoutASelectedLineTheCommandsAskForOne) {
    test::trigger(form, "Wijzigen1");
    test::trigger(form, "CopieF41");
    QTest::keyClick(list(), Qt::Key_F4);
    QTest::keyClick(list(), Qt::Key_Delete);
    ASSERT_EQ(scripted.shown.size(), 4u);
    for (const auto& box : scripted.shown) {
        EXPECT_EQ(box.kind, MsgKind::Information);
        EXPECT_EQ(box.text, "Selecteer een memo! ");
    }
    EXPECT_EQ(stored().size(), 3u);
}

TEST_F(RecordsTest, TheSearchDialogKeepsItsTextAndTickAndCancelRepeatsTheLastSearch) {
    Tzoekdlg& dlg = *child<Tzoekdlg>(form, "zoekdlg");
    EXPECT_EQ(dlg.windowTitle(), "Zoeken in het bestand");
    EXPECT_TRUE(child<QCheckBox>(dlg, "CheckBox1")->isChecked());
    const QString before = title();

    // Cancel before any search and OK with an empty field change nothing.
    withDialogs({[](QDialog& d) { d.reject(); }}, [&] { QTest::keyClick(list(), Qt::Key_F3); });
    withDialogs({[](QDialog& d) { QTest::keyClick(edit(d, "Edit1"), Qt::Key_Return); }},
                [&] { test::trigger(form, "Zoeken1"); });
    EXPECT_EQ(title(), before);
    EXPECT_TRUE(session().searchText().empty());

    bool focused = false;
    withDialogs({[&](QDialog& d) {
                    focused = d.focusWidget() == edit(d, "Edit1");
                    QTest::keyClicks(edit(d, "Edit1"), "Tand Arts");
                    child<QCheckBox>(d, "CheckBox1")->setChecked(false);
                    button(d, "OKBtn")->click();
                }},
                [&] { test::trigger(form, "Zoeken1"); });
    EXPECT_TRUE(focused);
    EXPECT_EQ(title(), "Zoekwoord : tandarts");
    EXPECT_EQ(child<QLabel>(form, "Label1")->text(), "zondag,  6-12-2026");

    // Cancel runs the previous search again, with the tick as it now stands.
    QString kept;
    withDialogs({[&](QDialog& d) {
                    kept = edit(d, "Edit1")->text();
                    child<QCheckBox>(d, "CheckBox1")->setChecked(true);
                    button(d, "CancelBtn")->click();
                }},
                [&] { test::trigger(form, "Zoeken1"); });
    EXPECT_EQ(kept, "Tand Arts");
    EXPECT_EQ(title(), "Zoekwoord : TandArts");
}

// ------------------------------------------------- commands on the listed memos

class ListedRecordsTest : public RecordsTest {
protected:
    void SetUp() override {
        // Three memos of today: one with an empty first line, one whose
        // first line contains the whole first line of the next.
        writeMemos({{k6Dec - 1, "gisteren", ""},
                    {k6Dec, "", "zonder eerste regel"},
                    {k6Dec, "Tandarts 10 uur", ""},
                    {k6Dec, "Tandarts", "bellen"},
                    {k6Dec + 3, "Kapper", ""},
                    {k6Dec + 200, "zomer", ""}});
        ASSERT_TRUE(form.FormCreate());
        test::trigger(form, "tenWeeks");
        scripted.played.clear();
    }
    QStringList rows() const {
        QStringList out;
        const MemoListModel* model = child<MemoListModel>(form, "listModel");
        for (int r = 0; r < model->rowCount(); ++r) out << model->line(r);
        return out;
    }
    QStringList firstLines() const {
        QStringList out;
        const QStringList all = rows();
        for (int r = 1; r < all.size(); r += 4) out << all[r];
        return out;
    }
    void selectRow(int row) {
        list()->selectionModel()->select(list()->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    }
    std::vector<std::string> storedFirstLines() {
        std::vector<std::string> out;
        for (const auto& m : stored()) out.push_back(m.line1);
        return out;
    }
};

TEST_F(ListedRecordsTest, EveryLineOfABlockSelectsThatVeryMemo) {
    ASSERT_EQ(firstLines(), (QStringList{"gisteren", "", "Tandarts 10 uur", "Tandarts", "Kapper"}));
    for (int line = 0; line < 4; ++line) {
        selectRow(3 * 4 + line);  // the block of "Tandarts"
        QString shown;
        withDialogs({[&](QDialog& d) {
                        shown = labelText(d, "Label1") + "|" + labelText(d, "Label2") + "|" + labelText(d, "Label3");
                        button(d, "Button1")->click();
                    }},
                    [&] { test::trigger(form, "Wissen1"); });
        EXPECT_EQ(shown, "6/12/2026|Tandarts|bellen") << line;
    }
    // Neither "Tandarts 10 uur" nor the memo without a first line was taken
    // for it; the memo without a first line is itself selectable.
    selectRow(4 + 2);
    QString shown;
    withDialogs({[&](QDialog& d) {
                    shown = edit(d, "Edit2")->text();
                    d.reject();
                }},
                [&] { test::trigger(form, "Wijzigen1"); });
    EXPECT_EQ(shown, "zonder eerste regel");
}

TEST_F(ListedRecordsTest, DeleteAsksAndTheListIsShownAgainWhateverTheAnswer) {
    struct Answer {
        const char* name;
        test::DialogStep step;
        std::size_t left;
    };
    const std::vector<Answer> answers = {
        {"Nee", [](QDialog& d) { QTest::keyClick(button(d, "Button1"), Qt::Key_Space); }, 6},
        {"close box", [](QDialog& d) { d.close(); }, 6},
        {"Ja", [](QDialog& d) { button(d, "Button2")->click(); }, 5},
    };
    for (const Answer& a : answers) {
        test::trigger(form, "Helebestand");
        selectRow(4 * 4 + 1);  // "Kapper"
        bool focusOnNee = false;
        QString caption;
        withDialogs({[&](QDialog& d) {
                        QPushButton* nee = button(d, "Button1");
                        QPushButton* ja = button(d, "Button2");
                        caption = d.windowTitle();
                        focusOnNee = d.focusWidget() == nee && nee->text() == "&Nee" && ja->text() == "&Ja" &&
                                     nee->x() < ja->x();
                        a.step(d);
                    }},
                    [&] { QTest::keyClick(list(), Qt::Key_Delete); });
        EXPECT_EQ(caption, "Dit record verwijderen ?");
        EXPECT_TRUE(focusOnNee) << a.name;
        EXPECT_EQ(stored().size(), a.left) << a.name;
        // The ten-week view again, not the whole file, and nothing selected.
        EXPECT_EQ(title(), "Memo's: 10 weken vanaf 0 weken terug") << a.name;
        EXPECT_FALSE(list()->selectionModel()->hasSelection());
    }
    EXPECT_FALSE(firstLines().contains("Kapper"));
}

TEST_F(ListedRecordsTest, TheDeleteConfirmationIsCentredOnTheSizeItShows) {
    writeMemos({{k6Dec, std::string(100, 'e'), std::string(100, 'o')}, {k6Dec + 1, "kort", ""}});
    test::trigger(form, "tenWeeks");
    form.show();
    int previousWidth = 0;
    for (int row : {1, 5}) {
        selectRow(row);
        QRect frame;
        withDialogs({[&](QDialog& d) {
                        frame = d.frameGeometry();
                        button(d, "Button1")->click();
                    }},
                    [&] { test::trigger(form, "Wissen1"); });
        // The frame's middle is the screen's (1000 × 800), give or take a pixel.
        EXPECT_NEAR(frame.left() + frame.width() / 2.0, 500, 1) << row;
        EXPECT_NEAR(frame.top() + frame.height() / 2.0, 400, 1) << row;
        EXPECT_NE(frame.width(), previousWidth) << "the long and the short memo give other widths";
        previousWidth = frame.width();
    }
}

TEST_F(ListedRecordsTest, AMemoChangedToADateOutsideTheViewLeavesIt) {
    selectRow(4 * 4);  // "Kapper", 9 December
    withDialogs({[](QDialog& d) {
                    EXPECT_EQ(d.windowTitle(), "Wijzigen van dit record");
                    QTest::keyClick(spin(d, "SpinEdit2"), Qt::Key_Down);  // 9 November
                    edit(d, "Edit2")->setText("verzet");
                    QTest::keyClick(edit(d, "Edit1"), Qt::Key_Return);
                }},
                [&] { QTest::keyClick(list(), Qt::Key_F2); });
    EXPECT_EQ(storedFirstLines(),
              (std::vector<std::string>{"Kapper", "gisteren", "", "Tandarts 10 uur", "Tandarts", "zomer"}));
    EXPECT_EQ(stored()[0], (MemoRecord{encodeDate(2026, 11, 9), "Kapper", "verzet"}));
    EXPECT_FALSE(firstLines().contains("Kapper"));
}

TEST_F(ListedRecordsTest, AnUnchangedCopyIsStoredByTheTieBreakRule) {
    // Of several memos of a day, the copy goes before all of them.
    selectRow(3 * 4);  // "Tandarts"
    withDialogs({[](QDialog& d) {
                    EXPECT_EQ(d.windowTitle(), "Maak een copie voor een andere datum");
                    button(d, "OKBtn")->click();
                }},
                [&] { test::trigger(form, "CopieF41"); });
    EXPECT_EQ(storedFirstLines(), (std::vector<std::string>{"gisteren", "Tandarts", "", "Tandarts 10 uur",
                                                             "Tandarts", "Kapper", "zomer"}));
    // The only memo of a day that is the last record: the copy follows it.
    test::trigger(form, "Helebestand");
    selectRow(6 * 4 + 2);  // "zomer"
    withDialogs({[](QDialog& d) { QTest::keyClick(edit(d, "Edit1"), Qt::Key_Return); }},
                [&] { QTest::keyClick(list(), Qt::Key_F4); });
    const auto memos = stored();
    ASSERT_EQ(memos.size(), 8u);
    EXPECT_EQ(memos[6], memos[7]);
    EXPECT_EQ(memos[7].line1, "zomer");
}

// Another copy of the program changes the file under the list, and while
// the change dialog is open.
TEST_F(ListedRecordsTest, AMemoIsFoundByContentAndNothingTypedIsDropped) {
    MemoFile other(nativeFileSystem(), memoPath());
    selectRow(3 * 4 + 1);  // "Tandarts"
    wisrecord1(other, {*other.readAt(0), 0});  // an earlier memo goes: "Tandarts" moves up
    withDialogs({[&](QDialog& d) {
                    EXPECT_EQ(edit(d, "Edit2")->text(), "bellen");
                    changeMemo(other, {*other.readAt(2), 2}, {k6Dec, "Tandarts", "afgezegd"});
                    edit(d, "Edit2")->setText("verzet");
                    button(d, "OKBtn")->click();
                }},
                [&] { test::trigger(form, "Wijzigen1"); });
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].text,
              "De memo was intussen gewijzigd of verwijderd; uw wijziging is als nieuwe memo bewaard.");
    EXPECT_EQ(storedFirstLines(), (std::vector<std::string>{"Tandarts", "Tandarts", "", "Tandarts 10 uur", "Kapper",
                                                             "zomer"}));
    EXPECT_EQ(stored()[0].line2, "verzet");
    EXPECT_EQ(stored()[1].line2, "afgezegd");

    // A memo that is gone: Delete, F2 and F4 say so and change nothing.
    selectRow(4 * 4 + 1);  // "Kapper"
    wisrecord1(other, {*other.readAt(4), 4});
    for (const char* command : {"Wissen1", "Wijzigen1", "CopieF41"}) {
        scripted.shown.clear();
        test::trigger(form, command);
        ASSERT_EQ(scripted.shown.size(), 1u) << command;
        EXPECT_EQ(scripted.shown[0].text, "Deze memo staat niet meer in het bestand; hij is intussen gewijzigd of verwijderd.");
    }
    EXPECT_EQ(stored().size(), 5u);

    // A block whose date the list cannot show asks for the first two lines.
    writeMemos({{std::numeric_limits<double>::quiet_NaN(), "kapot", ""}});
    withDialogs({[](QDialog& d) {
                    edit(d, "Edit1")->setText("kapot");
                    button(d, "OKBtn")->click();
                }},
                [&] { test::trigger(form, "Zoeken1"); });
    selectRow(1);
    scripted.shown.clear();
    test::trigger(form, "Wissen1");
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].text, "Selecteer de eerste 2 regels van de memo");
    EXPECT_EQ(stored().size(), 1u);
}

TEST_F(ListedRecordsTest, AChangeThatCannotBeStoredKeepsTheMemo) {
    test::FaultyFileSystem faulty;
    scripted.platform().fileSystem = &faulty;
    Tform1 window(scripted.platform());
    ASSERT_TRUE(window.FormCreate());
    const auto before = stored();
    // Every call of the change made to fail in turn: the file keeps the old
    // memo and the error is shown, until the change goes through whole.
    for (int k = 1;; ++k) {
        ASSERT_LT(k, 50);
        faulty.reset();
        test::trigger(window, "tenWeeks");
        QTableView* windowList = child<MemoListBox>(window, "ListBox1");
        windowList->selectionModel()->select(windowList->model()->index(4 * 4, 0), QItemSelectionModel::ClearAndSelect);
        scripted.shown.clear();
        withDialogs({[&](QDialog& d) {
                        faulty.reset();
                        faulty.failAt(k, test::Fault::DiskFull);
                        edit(d, "Edit1")->setText("Kapper verzet");
                        button(d, "OKBtn")->click();
                    }},
                    [&] { QTest::keyClick(windowList, Qt::Key_F2); });
        faulty.reset();
        const auto after = stored();
        if (after == before) {
            ASSERT_EQ(scripted.shown.size(), 1u) << "call " << k;
            EXPECT_EQ(scripted.shown[0].kind, MsgKind::Error);
            continue;
        }
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(after[4], (MemoRecord{k6Dec + 3, "Kapper verzet", ""}));
        break;
    }
}

TEST_F(ListedRecordsTest, TheYearViewAsksForTheYearAgain) {
    withDialogs({[](QDialog& d) { button(d, "OKBtn")->click(); }}, [&] { test::trigger(form, "Alles1"); });
    ASSERT_EQ(session().viewMode(), ViewMode::Year);
    selectRow(4 * 4);  // "Kapper"
    int asked = 0;
    withDialogs({[](QDialog& d) { button(d, "Button2")->click(); },
                 [&](QDialog& d) {
                     ++asked;
                     button(d, "OKBtn")->click();
                 }},
                [&] { test::trigger(form, "Wissen1"); });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(title(), "Alle 4 memo's van het jaar 2026");
    // Cancel in the year dialog leaves the list as it was.
    selectRow(1);
    withDialogs({[](QDialog& d) { button(d, "Button1")->click(); },
                 [](QDialog& d) { d.reject(); }},
                [&] { test::trigger(form, "Wissen1"); });
    EXPECT_EQ(firstLines(), (QStringList{"gisteren", "", "Tandarts 10 uur", "Tandarts"}));
}

TEST_F(ListedRecordsTest, TheSearchListsTheMatchingMemosAndMarksToday) {
    auto search = [&](const QString& text, bool caseCounts) {
        withDialogs({[&](QDialog& d) {
                        edit(d, "Edit1")->setText(text);
                        child<QCheckBox>(d, "CheckBox1")->setChecked(caseCounts);
                        button(d, "OKBtn")->click();
                    }},
                    [&] { QTest::keyClick(list(), Qt::Key_F3); });
    };
    search("tandarts", false);
    EXPECT_EQ(title(), "Zoekwoord : tandarts");
    EXPECT_EQ(rows().mid(0, 4),
              (QStringList{">> zondag,  6-12-2026", "Tandarts 10 uur", "", QString(222, '-')}));
    EXPECT_EQ(firstLines(), (QStringList{"Tandarts 10 uur", "Tandarts"}));
    EXPECT_EQ(scripted.played, (std::vector<QString>{"chimes.wav", "chimes.wav"}));
    EXPECT_EQ(session().viewMode(), ViewMode::TenWeeks);

    search("tandarts, bellen", true);
    EXPECT_EQ(title(), "Zoekwoorden : tandarts  ,  bellen");
    EXPECT_TRUE(firstLines().isEmpty());

    // A record command re-shows the view before the search.
    search("zomer", true);
    selectRow(0);
    withDialogs({[](QDialog& d) { d.reject(); }}, [&] { test::trigger(form, "Wissen1"); });
    EXPECT_EQ(title(), "Memo's: 10 weken vanaf 0 weken terug");

    // A memo file that cannot be opened leaves the list as it was.
    const QStringList before = rows();
    std::filesystem::remove(memoPath());
    scripted.shown.clear();
    search("tandarts", false);
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].text.section('\n', 0, 0), "File not found");
    EXPECT_EQ(rows(), before);
}

}  // namespace
}  // namespace jotanor
