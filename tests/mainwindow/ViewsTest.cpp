#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include "mainwindow/MemoListModel.h"
#include "mainwindow/SpinEdit.h"
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
        form.createDialogs();
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
    form.aantalwekenterug(0);
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
    EXPECT_EQ(form.state().viewMode, ViewMode::TenWeeks);
}

// Its lines and nothing else: no numbered headers between them.
TEST_F(ViewsTest, AScreenReaderMeetsTheListAsAListOfItsLines) {
    writeMemos({{today, "jarig", "taart"}, {today + 1, "morgen", ""}});
    form.aantalwekenterug(0);
    auto* list = child<MemoListBox>(form, "ListBox1");
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::List);
    EXPECT_EQ(a->text(QAccessible::Name), "Memo's");
    const QStringList lines = rows();
    ASSERT_EQ(a->childCount(), lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        QAccessibleInterface* line = a->child(i);
        EXPECT_EQ(line->role(), QAccessible::ListItem);
        EXPECT_EQ(line->text(QAccessible::Name), lines[i]);
        EXPECT_EQ(a->indexOfChild(line), i);
        EXPECT_FALSE(line->state().selected);
    }
    list->selectRow(5);
    EXPECT_TRUE(a->child(5)->state().selected);
    EXPECT_FALSE(a->child(1)->state().selected);

    // Filled anew, the same interfaces read the new lines.
    QAccessibleInterface* second = a->child(1);
    writeMemos({{today, "anders", ""}});
    form.aantalwekenterug(0);
    EXPECT_EQ(a->childCount(), 4);
    EXPECT_EQ(second->text(QAccessible::Name), "anders");
    EXPECT_FALSE(a->child(5));
}

TEST_F(ViewsTest, AChimeThatCannotPlayBeepsInstead) {
    memosAt({0, 0, 3});
    scripted.soundWorks = false;
    form.aantalwekenterug(0);
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
    form.aantalwekenterug(0);
    EXPECT_EQ(sound.visible, std::vector<bool>{false});
    EXPECT_TRUE(child(form, "ListBox1")->isVisible());

    std::filesystem::remove(memoPath());
    EXPECT_FALSE(form.guarded([&] { form.aantalwekenterug(2); }));
    ASSERT_FALSE(scripted.shown.empty());
    EXPECT_EQ(scripted.shown.back().text.section('\n', 0, 0), "File not found");
    EXPECT_TRUE(child(form, "ListBox1")->isVisible());
    // The titles were written before the file was read.
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 2 weken terug");
}

TEST_F(ViewsTest, TheListFontSizeAppliesExceptInTheYearView) {
    memosAt({0});
    form.state().settings.fontSize = 14;
    form.aantalwekenterug(0);
    EXPECT_EQ(child(form, "ListBox1")->font().pointSize(), 14);

    form.state().settings.fontSize = 20;
    test::withDialog<Theeljaardlg>([](Theeljaardlg& d) { button(d, "OKBtn")->click(); }, [&] { form.Alles1Click(); });
    EXPECT_EQ(child(form, "ListBox1")->font().pointSize(), 14);
    form.HelebestandClick();
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
        [&] { form.Vanafdatum1Click(); });
    EXPECT_EQ(form.state().fromDate, today + 1);
    EXPECT_EQ(labelText(form, "Label2"), "Memo's van 10 weken vanaf 7-12-2026");
    EXPECT_EQ(firstLines(), (QStringList{"1", "63"}));
    EXPECT_EQ(form.state().viewMode, ViewMode::FromDate);
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
        [&] { form.Vanafdatum1Click(); });
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(scripted.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(scripted.shown[0].text, "datum 29/2/2027 bestaat niet...");
    EXPECT_EQ(form.state().fromDate, today);
    EXPECT_EQ(labelText(form, "Label2"), "Memo's van 10 weken vanaf 6-12-2026");
    EXPECT_EQ(firstLines(), QStringList{"0"});
}

TEST_F(ViewsTest, CancelInTheFromDateDialogStartsTodayAndTheCalendarDayIsUsedOnce) {
    memosAt({0});
    form.state().fromDate = today + 100;
    form.state().chosenDay = {2027, 3, 15};
    form.state().dayChosen = true;
    test::withDialog<Tvanafdlg>(
        [&](Tvanafdlg& d) {
            EXPECT_EQ(spin(d, "SpinEdit1")->value(), 2027);
            EXPECT_EQ(spin(d, "SpinEdit2")->value(), 3);
            EXPECT_EQ(spin(d, "SpinEdit3")->value(), 15);
            QTest::mouseClick(button(d, "CancelBtn"), Qt::LeftButton);
        },
        [&] { form.Vanafdatum1Click(); });
    EXPECT_EQ(labelText(form, "Label2"), "Memo's van 10 weken vanaf 6-12-2026");
    EXPECT_EQ(firstLines(), QStringList{"0"});
    EXPECT_FALSE(form.state().dayChosen);

    test::withDialog<Tvanafdlg>([&](Tvanafdlg& d) { EXPECT_EQ(spin(d, "SpinEdit2")->value(), 12); },
                                [&] { form.Vanafdatum1Click(); });
}

TEST_F(ViewsTest, TheYearDialogKeepsTheLastYearAndCancelChangesNothing) {
    const DaySerial jan1 = encodeDate(2027, 1, 1);
    writeMemos({{jan1 - 1, "oud", ""}, {jan1, "nieuw", ""}, {encodeDate(2027, 12, 31), "oudjaar", ""}});
    form.aantalwekenterug(0);
    const QStringList tenWeeks = rows();

    test::withDialog<Theeljaardlg>(
        [&](Theeljaardlg& d) {
            EXPECT_EQ(d.windowTitle(), "Alle memo's van een jaar");
            EXPECT_EQ(spin(d, "SpinEdit1")->value(), 2026);
            QTest::keyClicks(spin(d, "SpinEdit1"), "1999");  // no typing
            QTest::keyClick(spin(d, "SpinEdit1"), Qt::Key_Up);
            button(d, "OKBtn")->click();
        },
        [&] { form.Alles1Click(); });
    EXPECT_EQ(form.state().chosenYear, 2027);
    EXPECT_EQ(labelText(form, "Label2"), "Alle 2 memo's van het jaar 2027");
    EXPECT_EQ(firstLines(), (QStringList{"nieuw", "oudjaar"}));
    EXPECT_EQ(form.state().viewMode, ViewMode::Year);

    form.aantalwekenterug(0);
    test::withDialog<Theeljaardlg>(
        [&](Theeljaardlg& d) {
            EXPECT_EQ(spin(d, "SpinEdit1")->value(), 2027);
            spin(d, "SpinEdit1")->setValue(2030);
            QTest::keyClick(&d, Qt::Key_Escape);
        },
        [&] { form.Alles1Click(); });
    EXPECT_EQ(form.state().chosenYear, 2027);
    EXPECT_EQ(rows(), tenWeeks);
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 0 weken terug");
    EXPECT_EQ(form.state().viewMode, ViewMode::TenWeeks);
}

TEST_F(ViewsTest, YearZeroFailsOnAFileWithMemosAndIsEmptyOtherwise) {
    memosAt({0});
    form.aantalwekenterug(0);
    auto yearZero = [&] {
        test::withDialog<Theeljaardlg>(
            [&](Theeljaardlg& d) {
                spin(d, "SpinEdit1")->setValue(0);
                button(d, "OKBtn")->click();
            },
            [&] { form.guarded([&] { form.Alles1Click(); }); });
    };
    yearZero();
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(scripted.shown[0].text, "Invalid argument to date encode");
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 0 weken terug");
    EXPECT_EQ(form.state().viewMode, ViewMode::TenWeeks);

    writeMemos({});
    yearZero();
    EXPECT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(labelText(form, "Label2"), "Alle 0 memo's van het jaar 0");
    EXPECT_EQ(form.state().viewMode, ViewMode::Year);
}

TEST_F(ViewsTest, TheWholeFileIsSilentAndLeavesTheViewMode) {
    writeMemos({{encodeDate(1939, 12, 31), "te vroeg", ""},
                {encodeDate(1940, 1, 1), "eerste", ""},
                {today, "vandaag", ""},
                {encodeDate(2101, 1, 1), "te laat", ""}});
    form.state().viewMode = ViewMode::FromDate;
    form.HelebestandClick();
    EXPECT_EQ(labelText(form, "Label2"), "Alle 2 memo\"s");
    EXPECT_EQ(labelText(form, "Label1"), "zondag,  6-12-2026");
    EXPECT_EQ(firstLines(), (QStringList{"eerste", "vandaag"}));
    EXPECT_EQ(rows()[4], ">> zondag,  6-12-2026");
    EXPECT_TRUE(scripted.played.empty());
    EXPECT_EQ(form.state().viewMode, ViewMode::FromDate);
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
        [&] { form.Idemvanafxwekenterug1Click(); });
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
        [&] { form.Idemvanafxwekenterug1Click(); });
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 5 weken terug");
}

}  // namespace
}  // namespace jotanor
