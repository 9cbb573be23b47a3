#include <QAccessible>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <tuple>

#include "mainwindow/MemoListModel.h"
#include "widgets/SpinEdit.h"
#include "mainwindow/MemoListBox.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Theeljaardlg.h"
#include "mainwindow/Tvanafdlg.h"
#include "mainwindow/Txwekendlg.h"
#include "support/Child.h"
#include "support/ModalScript.h"
#include "support/UiFixture.h"

namespace jotanor {
namespace {

using test::child;

QString labelText(const QObject& window, const char* name) { return child<QLabel>(window, name)->text(); }
SpinEdit* spin(const QObject& window, const char* name) { return child<SpinEdit>(window, name); }
QPushButton* button(const QObject& window, const char* name) { return child<QPushButton>(window, name); }
QLineEdit* edit(const QObject& window, const char* name) { return child<QLineEdit>(window, name); }

const QString kDivider(222, '-');

class ViewsTest : public test::UiFixture {
protected:
    void SetUp() override {
        test::writeBytes(memoPath(), {});
        ASSERT_TRUE(form.FormCreate());
    }

    // The memo file holds these memos, one a day at the given distance from
    // today, line1 naming the distance.
    void memosAt(const std::vector<int>& offsets) {
        std::vector<MemoRecord> memos;
        for (int o : offsets) memos.push_back({today + o, std::to_string(o), ""});
        writeMemos(memos);
    }
    void writeMemos(const std::vector<MemoRecord>& memos) {
        test::writeMemos(memoPath(), memos);
    }

    QStringList rows() const {
        QStringList out;
        QAbstractItemModel* m = child<MemoListBox>(form, "ListBox1")->model();
        for (int r = 0; r < m->rowCount(); ++r) out << m->data(m->index(r, 0)).toString();
        return out;
    }
    // The line1 of every listed memo.
    QStringList firstLines() const {
        QStringList out;
        const QStringList all = rows();
        for (int r = 1; r < all.size(); r += 4) out << all[r];
        return out;
    }

    Tform1 form{scripted.platform()};
    DaySerial today = encodeDate(2026, 12, 6);
};

TEST_F(ViewsTest, EveryMemoIsAFourLineBlockAndMemosOfTodayChime) {
    writeMemos({{today - 2, "eergisteren", ""},
                {today - 1, "gisteren", "tweede regel"},
                {today, "*jarig", ""},
                {today, "nog een", ""},
                {today + 70, "te laat", ""}});
    test::trigger(form, "tenWeeks");
    EXPECT_EQ(rows(), (QStringList{"zaterdag,  5-12-2026", "gisteren", "tweede regel", kDivider,
                                   ">> zondag,  6-12-2026", "*jarig", "", kDivider, ">> zondag,  6-12-2026",
                                   "nog een", "", kDivider}));
    EXPECT_EQ(scripted.played, (std::vector<QString>{"chimes.wav", "chimes.wav"}));
    EXPECT_EQ(scripted.beeps, 0);
    // Every row knows the record its block came from.
    EXPECT_EQ(child<MemoListModel>(form, "listModel")->recordPosition(0), 1);
    EXPECT_EQ(child<MemoListModel>(form, "listModel")->recordPosition(7), 2);
    EXPECT_EQ(child<MemoListModel>(form, "listModel")->recordPosition(9), 3);
    EXPECT_EQ(child<MemoListModel>(form, "listModel")->recordPosition(12), -1);
    EXPECT_TRUE(child<MemoListBox>(form, "ListBox1")->selectionModel()->selectedIndexes().isEmpty());

    EXPECT_EQ(labelText(form, "Label1"), "zondag,  6-12-2026");
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 0 weken terug");
    EXPECT_EQ(labelText(form, "Label3"), "Week 50");
    EXPECT_EQ(form.session().viewMode(), ViewMode::TenWeeks);
}

// One item per memo, read as its date and lines: no numbered headers, no
// blank lines or dividers between them.
TEST_F(ViewsTest, AScreenReaderMeetsTheListAsAListOfItsMemos) {
    writeMemos({{today, "jarig", "taart"}, {today + 1, "", "morgen"}, {today + 2, "overmorgen", ""}});
    test::trigger(form, "tenWeeks");
    auto* list = child<MemoListBox>(form, "ListBox1");
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::List);
    EXPECT_EQ(a->text(QAccessible::Name), "Memo's");
    const QStringList read = {"zondag,  6-12-2026. jarig. taart", "maandag,  7-12-2026. morgen",
                              "dinsdag,  8-12-2026. overmorgen"};
    ASSERT_EQ(a->childCount(), read.size());
    for (int i = 0; i < read.size(); ++i) {
        QAccessibleInterface* memo = a->child(i);
        EXPECT_EQ(memo->role(), QAccessible::ListItem);
        EXPECT_EQ(memo->text(QAccessible::Name), read[i]);
        EXPECT_EQ(memo->text(QAccessible::Description), i == 0 ? "vandaag" : "");
        EXPECT_EQ(a->indexOfChild(memo), i);
        EXPECT_FALSE(memo->state().selected);
    }
    // Any line of a memo selects it.
    list->selectRow(7);
    EXPECT_TRUE(a->child(1)->state().selected);
    EXPECT_FALSE(a->child(0)->state().selected);

    // Filled anew, the same interfaces read the new memos.
    QAccessibleInterface* first = a->child(0);
    writeMemos({{today + 1, "anders", ""}});
    test::trigger(form, "tenWeeks");
    EXPECT_EQ(a->childCount(), 1);
    EXPECT_EQ(first->text(QAccessible::Name), "maandag,  7-12-2026. anders");
    EXPECT_FALSE(a->child(1));
}

// The cursor moves by line; Ctrl+Down and Ctrl+Up go a memo at a time, Home
// and End to the first and last memo, as a screen reader reads them, and
// select the memo they reach. A step past an end beeps.
TEST_F(ViewsTest, CtrlDownCtrlUpHomeAndEndWalkTheListAMemoAtATime) {
    memosAt({0, 1, 2});
    test::trigger(form, "tenWeeks");
    auto* list = child<MemoListBox>(form, "ListBox1");
    list->setFocus();
    // Down, Down, Ctrl+Down up to past the last memo, Up, Ctrl+Up to this
    // memo's start and the one before, and past it; End and Home.
    const Qt::KeyboardModifier ctrl = Qt::ControlModifier;
    const std::vector<std::tuple<Qt::Key, Qt::KeyboardModifiers, int, int>> steps = {
        {Qt::Key_Down, {}, 0, 0},   {Qt::Key_Down, {}, 1, 0},   {Qt::Key_Down, ctrl, 4, 0}, {Qt::Key_Down, ctrl, 8, 0},
        {Qt::Key_Down, ctrl, 8, 1}, {Qt::Key_Up, {}, 7, 0},     {Qt::Key_Up, ctrl, 4, 0},   {Qt::Key_Up, ctrl, 0, 0},
        {Qt::Key_Up, ctrl, 0, 1},   {Qt::Key_End, {}, 8, 0},    {Qt::Key_Home, {}, 0, 0}};
    for (const auto& [key, modifiers, row, beeps] : steps) {
        scripted.beeps = 0;
        QTest::keyClick(list, key, modifiers);
        EXPECT_EQ(list->selectionModel()->selectedRows().value(0).row(), row) << "the memo can be changed from there";
        EXPECT_EQ(scripted.beeps, beeps) << "key " << key << " to row " << row;
    }
}

TEST_F(ViewsTest, AChimeThatCannotPlayBeepsInstead) {
    memosAt({0, 0, 3});
    scripted.soundWorks = false;
    test::trigger(form, "tenWeeks");
    EXPECT_EQ(scripted.played.size(), 2u);
    EXPECT_EQ(scripted.beeps, 2);
    EXPECT_EQ(rows().size(), 12);
}

TEST_F(ViewsTest, KeypadDigitsGoWeeksBackAndMainKeyboardDigitsDoNothing) {
    form.show();
    QApplication::processEvents();  // the activation, if the platform gives one
    memosAt({-23, -22, 0, 48, 49});
    QTest::keyClick(child(form, "ListBox1"), Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 3 weken terug");
    EXPECT_EQ(firstLines(), (QStringList{"-22", "0", "48"}));

    QTest::keyClick(child(form, "ListBox1"), Qt::Key_1);
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 3 weken terug");

    QTest::keyClick(child(form, "ListBox1"), Qt::Key_1, Qt::KeypadModifier);
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 1 week terug");

    QTest::keyClick(child(form, "ListBox1"), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 0 weken terug");
    EXPECT_EQ(firstLines(), (QStringList{"0", "48", "49"}));
}

// A sound that notes whether the list was on show when it was started.
class WatchingSound : public Sound {
public:
    explicit WatchingSound(QWidget*& list) : list_(list) {}
    bool playWave(const QString&) override {
        visible.push_back(list_->isVisible());
        return true;
    }
    void beep() override {}
    std::vector<bool> visible;

private:
    QWidget*& list_;
};

class ViewsWatched : public test::UiFixture {};

TEST_F(ViewsWatched, TheTenWeekViewFillsAHiddenListAndShowsItAgainAlsoAfterAFailure) {
    QWidget* list = nullptr;
    WatchingSound sound(list);
    Platform platform = scripted.platform();
    platform.sound = &sound;
    const RecordBytes today = encodeRecord(MemoRecord{encodeDate(2026, 12, 6), "vandaag", ""});
    test::writeBytes(memoPath(), std::vector<unsigned char>(today.begin(), today.end()));
    Tform1 form(platform);
    ASSERT_TRUE(form.FormCreate());
    list = child<MemoListBox>(form, "ListBox1");
    form.show();
    QApplication::processEvents();  // the activation, if the platform gives one
    sound.visible.clear();
    test::trigger(form, "tenWeeks");
    EXPECT_EQ(sound.visible, std::vector<bool>{false});
    EXPECT_TRUE(child(form, "ListBox1")->isVisible());

    std::filesystem::remove(memoPath());
    QTest::keyClick(list, Qt::Key_2, Qt::KeypadModifier);
    ASSERT_FALSE(scripted.shown.empty());
    EXPECT_EQ(scripted.shown.back().text.section('\n', 0, 0), "File not found");
    EXPECT_TRUE(child(form, "ListBox1")->isVisible());
    // The titles were written before the file was read.
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 2 weken terug");
}

TEST_F(ViewsTest, TheListFontSizeAppliesExceptInTheYearView) {
    memosAt({0});
    form.settings().fontSize = 14;
    test::trigger(form, "tenWeeks");
    EXPECT_EQ(child(form, "ListBox1")->font().pointSize(), 14);

    form.settings().fontSize = 20;
    test::withDialog<Theeljaardlg>([](Theeljaardlg& d) { button(d, "OKBtn")->click(); }, [&] { test::trigger(form, "Alles1"); });
    EXPECT_EQ(child(form, "ListBox1")->font().pointSize(), 14);
    test::trigger(form, "Helebestand");
    EXPECT_EQ(child(form, "ListBox1")->font().pointSize(), 20);
}

TEST_F(ViewsTest, TheFromDateDialogTakesArrowsButNoTypingAndOkShowsNineWeeks) {
    memosAt({0, 1, 63, 64});
    test::withDialog<Tvanafdlg>(
        [&](Tvanafdlg& d) {
            EXPECT_EQ(d.windowTitle(), "Records vanaf een datum");
            EXPECT_EQ(spin(d, "SpinEdit1")->value(), 2026);
            EXPECT_EQ(spin(d, "SpinEdit2")->value(), 12);
            EXPECT_EQ(spin(d, "SpinEdit3")->value(), 6);
            QTest::keyClick(spin(d, "SpinEdit3"), Qt::Key_Up);
            QTest::keyClicks(spin(d, "SpinEdit3"), "9");
            QTest::keyClick(spin(d, "SpinEdit1"), Qt::Key_Up);  // 2027 ...
            QTest::keyClick(spin(d, "SpinEdit1"), Qt::Key_Down);  // ... and back
            EXPECT_EQ(spin(d, "SpinEdit3")->value(), 7);
            QTest::mouseClick(button(d, "OKBtn"), Qt::LeftButton);
        },
        [&] { test::trigger(form, "Vanafeendatum1"); });
    EXPECT_EQ(form.session().fromDate(), today + 1);
    EXPECT_EQ(labelText(form, "Label2"), "Memo's van 10 weken vanaf 7-12-2026");
    EXPECT_EQ(firstLines(), (QStringList{"1", "63"}));
    EXPECT_EQ(form.session().viewMode(), ViewMode::FromDate);
    EXPECT_TRUE(scripted.played.empty());
}

TEST_F(ViewsTest, AnImpossibleDateWarnsAndStartsToday) {
    memosAt({-1, 0});
    test::withDialog<Tvanafdlg>(
        [&](Tvanafdlg& d) {
            spin(d, "SpinEdit1")->setValue(2027);
            spin(d, "SpinEdit2")->setValue(2);
            spin(d, "SpinEdit3")->setValue(29);
            button(d, "OKBtn")->click();
        },
        [&] { test::trigger(form, "Vanafeendatum1"); });
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(scripted.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(scripted.shown[0].text, "datum 29/2/2027 bestaat niet...");
    EXPECT_EQ(form.session().fromDate(), today);
    EXPECT_EQ(labelText(form, "Label2"), "Memo's van 10 weken vanaf 6-12-2026");
    EXPECT_EQ(firstLines(), QStringList{"0"});
}

TEST_F(ViewsTest, CancelInTheFromDateDialogStartsTodayAndTheCalendarDayIsUsedOnce) {
    memosAt({0});
    form.session().chooseDay({2027, 3, 15}, true);
    test::withDialog<Tvanafdlg>(
        [&](Tvanafdlg& d) {
            EXPECT_EQ(spin(d, "SpinEdit1")->value(), 2027);
            EXPECT_EQ(spin(d, "SpinEdit2")->value(), 3);
            EXPECT_EQ(spin(d, "SpinEdit3")->value(), 15);
            QTest::mouseClick(button(d, "CancelBtn"), Qt::LeftButton);
        },
        [&] { test::trigger(form, "Vanafeendatum1"); });
    EXPECT_EQ(labelText(form, "Label2"), "Memo's van 10 weken vanaf 6-12-2026");
    EXPECT_EQ(firstLines(), QStringList{"0"});
    EXPECT_FALSE(form.session().dayChosen());

    test::withDialog<Tvanafdlg>([&](Tvanafdlg& d) { EXPECT_EQ(spin(d, "SpinEdit2")->value(), 12); },
                                [&] { test::trigger(form, "Vanafeendatum1"); });
}

TEST_F(ViewsTest, TheYearDialogKeepsTheLastYearAndCancelChangesNothing) {
    const DaySerial jan1 = encodeDate(2027, 1, 1);
    writeMemos({{jan1 - 1, "oud", ""}, {jan1, "nieuw", ""}, {encodeDate(2027, 12, 31), "oudjaar", ""}});
    test::trigger(form, "tenWeeks");
    const QStringList tenWeeks = rows();

    test::withDialog<Theeljaardlg>(
        [&](Theeljaardlg& d) {
            EXPECT_EQ(d.windowTitle(), "Alle memo's van een jaar");
            EXPECT_EQ(spin(d, "SpinEdit1")->value(), 2026);
            QTest::keyClicks(spin(d, "SpinEdit1"), "1999");  // no typing
            QTest::keyClick(spin(d, "SpinEdit1"), Qt::Key_Up);
            button(d, "OKBtn")->click();
        },
        [&] { test::trigger(form, "Alles1"); });
    EXPECT_EQ(labelText(form, "Label2"), "Alle 2 memo's van het jaar 2027");
    EXPECT_EQ(firstLines(), (QStringList{"nieuw", "oudjaar"}));
    EXPECT_EQ(form.session().viewMode(), ViewMode::Year);

    test::trigger(form, "tenWeeks");
    test::withDialog<Theeljaardlg>(
        [&](Theeljaardlg& d) {
            EXPECT_EQ(spin(d, "SpinEdit1")->value(), 2027);
            spin(d, "SpinEdit1")->setValue(2030);
            QTest::keyClick(&d, Qt::Key_Escape);
        },
        [&] { test::trigger(form, "Alles1"); });
    EXPECT_EQ(rows(), tenWeeks);
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 0 weken terug");
    EXPECT_EQ(form.session().viewMode(), ViewMode::TenWeeks);
}

TEST_F(ViewsTest, YearZeroFailsOnAFileWithMemosAndIsEmptyOtherwise) {
    memosAt({0});
    test::trigger(form, "tenWeeks");
    auto yearZero = [&] {
        test::withDialog<Theeljaardlg>(
            [&](Theeljaardlg& d) {
                spin(d, "SpinEdit1")->setValue(0);
                button(d, "OKBtn")->click();
            },
            [&] { test::trigger(form, "Alles1"); });
    };
    yearZero();
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(scripted.shown[0].text, "Invalid argument to date encode");
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 0 weken terug");
    EXPECT_EQ(form.session().viewMode(), ViewMode::TenWeeks);

    writeMemos({});
    yearZero();
    EXPECT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(labelText(form, "Label2"), "Alle 0 memo's van het jaar 0");
    EXPECT_EQ(form.session().viewMode(), ViewMode::Year);
}

TEST_F(ViewsTest, TheWholeFileIsSilentAndLeavesTheViewMode) {
    writeMemos({{encodeDate(1939, 12, 31), "te vroeg", ""},
                {encodeDate(1940, 1, 1), "eerste", ""},
                {today, "vandaag", ""},
                {encodeDate(2101, 1, 1), "te laat", ""}});
    MemoBlocks shown;
    form.session().listFrom(today, shown);
    test::trigger(form, "Helebestand");
    EXPECT_EQ(labelText(form, "Label2"), "Alle 2 memo\"s");
    EXPECT_EQ(labelText(form, "Label1"), "zondag,  6-12-2026");
    EXPECT_EQ(firstLines(), (QStringList{"eerste", "vandaag"}));
    EXPECT_EQ(rows()[4], ">> zondag,  6-12-2026");
    EXPECT_TRUE(scripted.played.empty());
    EXPECT_EQ(form.session().viewMode(), ViewMode::FromDate);
}

TEST_F(ViewsTest, TheWeeksBackDialogShowsTheViewForANumberFromZeroToNine) {
    memosAt({-30, 0});
    test::withDialog<Txwekendlg>(
        [&](Txwekendlg& d) {
            EXPECT_EQ(d.windowTitle(), "De memo-reeks begint een aantal weken geleden");
            EXPECT_EQ(edit(d, "Edit1")->text(), "0");
            edit(d, "Edit1")->setText("12");
            button(d, "OkBtn")->click();
            EXPECT_TRUE(d.isVisible());  // stays open for a better number
            edit(d, "Edit1")->setText("5");
            QTest::keyClick(edit(d, "Edit1"), Qt::Key_Return);
        },
        [&] { test::trigger(form, "Idemvanafxwekenterug1"); });
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(scripted.shown[0].text, "Geef een aantal weken van 0 tot en met 9.");
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 5 weken terug");
    EXPECT_EQ(firstLines(), (QStringList{"-30", "0"}));

    test::withDialog<Txwekendlg>(
        [&](Txwekendlg& d) {
            EXPECT_EQ(edit(d, "Edit1")->text(), "0");  // filled anew
            edit(d, "Edit1")->setText("2");
            button(d, "CancelBtn")->click();
        },
        [&] { test::trigger(form, "Idemvanafxwekenterug1"); });
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 5 weken terug");
}

}  // namespace
}  // namespace jotanor
