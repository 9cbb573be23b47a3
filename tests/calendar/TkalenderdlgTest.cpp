#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "calendar/Tkalenderdlg.h"
#include "mainwindow/Tform1.h"
#include "support/Child.h"
#include "support/ModalScript.h"
#include "support/UiFixture.h"

namespace jotanor {
namespace {

const QColor kRed(255, 0, 0), kYellow(255, 255, 0), kAqua(0, 255, 255), kSilver(192, 192, 192),
    kGrey(128, 128, 128);

class KalenderTest : public test::UiFixture {
protected:
    void SetUp() override {
        std::vector<unsigned char> bytes;
        for (const MemoRecord& m : {MemoRecord{46361, "gisteren", ""}, MemoRecord{46362, "Verjaardag", "taart"},
                                    MemoRecord{46362, "Tandarts", ""}, MemoRecord{46428, "februari", ""}}) {
            auto r = encodeRecord(m);
            bytes.insert(bytes.end(), r.begin(), r.end());
        }
        test::writeBytes(memoPath(), bytes);
        ASSERT_TRUE(form.FormCreate());
        dlg = test::child<Tkalenderdlg>(form, "kalenderdlg");
    }
    void TearDown() override { dlg->hide(); }

    template <class T = QWidget>
    T* widget(const QString& name) const {
        return test::child<T>(dlg, name);
    }
    QLabel* label(int n) const { return widget<QLabel>(QString("Label%1").arg(n)); }
    // Grids and their headings are counted from 0 here.
    MonthGridWidget* grid(int k) const { return widget<MonthGridWidget>(QString("StringGrid%1").arg(k + 1)); }
    QString heading(int k) const { return label(k + 1)->text(); }
    QString panel(int n) const { return label(n)->text(); }
    QSpinBox* century() const { return widget<QSpinBox>("SpinEdit1"); }
    QLineEdit* yearEdit() const { return widget<QLineEdit>("Edit1"); }
    QString memos() const { return widget<QPlainTextEdit>("Memo1")->toPlainText(); }
    // The day the four grids show as chosen (red), or marked as today.
    Ymd shownDay(bool chosen = true) const {
        for (int k = 0; k < 4; ++k) {
            const MonthGridWidget* g = grid(k);
            for (int row = 1; row < MonthGrid::kRows; ++row)
                for (int column = 1; column < MonthGrid::kColumns; ++column)
                    if (chosen ? g->isChosen(row, column) : g->isToday(row, column))
                        return {g->grid().month().year, g->grid().month().month,
                                static_cast<std::uint16_t>(g->grid().day(row, column))};
        }
        return {};
    }
    void click(const char* name) const { widget<QAbstractButton>(name)->click(); }

    // The painted colour of a cell, read from the right of the cell where no
    // text is drawn.
    QColor pixel(int k, int row, int column) const {
        MonthGridWidget* g = grid(k);
        return g->grab().toImage().pixelColor(g->cellOrigin(row, column) + QPoint(30, 12));
    }
    void press(int k, int row, int column) {
        MonthGridWidget* g = grid(k);
        QTest::mouseClick(g, Qt::LeftButton, {}, g->cellOrigin(row, column) + QPoint(17, 8));
    }
    void typeYear(const QString& text) {
        yearEdit()->selectAll();
        QTest::keyClicks(yearEdit(), text);
    }
    // Opens the calendar modally and runs `inside` while it shows.
    void whileShown(const std::function<void()>& inside, const std::function<void()>& open) {
        test::withDialog<Tkalenderdlg>(
            [&](Tkalenderdlg& shown) {
                EXPECT_EQ(&shown, dlg);
                inside();
            },
            open);
        EXPECT_FALSE(dlg->isVisible());
    }

    Tform1 form{scripted.platform()};
    Tkalenderdlg* dlg = nullptr;
};

TEST_F(KalenderTest, OpeningOnTheStartDayShowsItsFourMonthsAndMemos) {
    dlg->show();
    EXPECT_EQ(dlg->windowTitle(), "Kalender");
    EXPECT_EQ(dlg->size(), QSize(610, 569));
    EXPECT_EQ(heading(0), "november 2026");
    EXPECT_EQ(heading(1), "december 2026");
    EXPECT_EQ(heading(2), "januari 2027");
    EXPECT_EQ(heading(3), "februari 2027");
    EXPECT_EQ(panel(11), "2026");
    EXPECT_EQ(panel(12), "2027");
    EXPECT_EQ(panel(13), "2028");
    EXPECT_EQ(panel(5), "Pasen       : ");
    EXPECT_EQ(panel(8), "5  april    ");
    EXPECT_EQ(panel(15), "6  mei      ");
    EXPECT_EQ(panel(19), "4  juni     ");
    EXPECT_FALSE(label(8)->isHidden());
    EXPECT_EQ(century()->value(), 20);
    EXPECT_EQ(yearEdit()->text(), "26");
    EXPECT_EQ(grid(3)->toolTip(), "Klik = De datum wordt geselecteerd.\nDubbelklik = Invoer voor deze datum.");
    EXPECT_EQ(widget("vanafbtn")->toolTip(), "Toon 4 weken vanaf \nde geselecteerde datum. ");
    EXPECT_EQ(widget("invoerbtn")->toolTip(), "Terug om een memo in te voeren \nvoor de geselecteerde datum");

    // Week numbers of December and of January 2027, which starts in week 0.
    const MonthGrid& december = grid(1)->grid();
    EXPECT_EQ(december.text(1, 0), "49");
    EXPECT_EQ(december.text(1, 3), "1");
    EXPECT_EQ(december.text(5, 0), "53");
    EXPECT_EQ(grid(2)->grid().text(1, 0), "0");
    EXPECT_EQ(grid(2)->grid().text(2, 0), "1");

    // 6 December is chosen and marked: red covers yellow.
    EXPECT_EQ(pixel(1, 2, 1), kRed);
    EXPECT_EQ(shownDay(), (Ymd{2026, 12, 6}));
    EXPECT_FALSE(dlg->dayChosen());
    EXPECT_EQ(memos(),
              "zondag,  6-12-2026\nVerjaardag\ntaart\n------------------\nTandarts\n------------------");
    EXPECT_TRUE(widget("Memo1")->isVisible());
}

TEST_F(KalenderTest, APressChoosesADayInAnyGridWithoutMovingThem) {
    dlg->show();
    // Headings and the week column choose nothing.
    press(1, 0, 3);
    press(1, 3, 0);
    EXPECT_FALSE(dlg->dayChosen());
    EXPECT_EQ(shownDay(), (Ymd{2026, 12, 6}));

    press(1, 2, 5);  // 10 December
    EXPECT_TRUE(dlg->dayChosen());
    EXPECT_EQ(shownDay(), (Ymd{2026, 12, 10}));
    EXPECT_EQ(pixel(1, 2, 5), kRed);
    EXPECT_EQ(pixel(1, 2, 1), kYellow);  // the start day keeps its mark
    EXPECT_EQ(pixel(1, 1, 1), kAqua);    // blank day cell
    EXPECT_EQ(pixel(1, 0, 1), kSilver);
    EXPECT_EQ(pixel(1, 2, 0), kSilver);
    EXPECT_EQ(memos(), "");

    press(3, 2, 4);  // 10 February 2027, in the fourth grid
    EXPECT_EQ(shownDay(), (Ymd{2027, 2, 10}));
    EXPECT_EQ(pixel(3, 2, 4), kRed);
    EXPECT_EQ(pixel(1, 2, 5), kAqua);
    EXPECT_EQ(heading(1), "december 2026");
    EXPECT_EQ(memos(), "woensdag,  10-2-2027\nfebruari\n------------------");

    // A blank cell leaves the choice and lists the same memos again.
    press(3, 1, 1);
    EXPECT_EQ(shownDay(), (Ymd{2027, 2, 10}));
    EXPECT_TRUE(dlg->dayChosen());
    EXPECT_EQ(memos(), "woensdag,  10-2-2027\nfebruari\n------------------");
}

TEST_F(KalenderTest, TheYearEditRewritesItsTextAsTwoDigits) {
    dlg->show();
    typeYear("7");
    EXPECT_EQ(yearEdit()->text(), "07");
    EXPECT_EQ(heading(1), "december 2007");
    typeYear("ab");
    EXPECT_EQ(yearEdit()->text(), "00");
    EXPECT_EQ(heading(1), "december 2000");
    // The month buttons leave the year controls as they are.
    click("incmaandbtn");
    EXPECT_EQ(heading(1), "januari 2001");
    EXPECT_EQ(yearEdit()->text(), "00");
    // Century 0 with "00" would be year 0: the century becomes 1.
    century()->setValue(0);
    EXPECT_EQ(century()->value(), 1);
    EXPECT_EQ(heading(1), "januari 100");
}

TEST_F(KalenderTest, TheSpinButtonWrapsWithTheCentury) {
    dlg->show();
    century()->setValue(19);
    typeYear("99");
    EXPECT_EQ(heading(1), "december 1999");
    click("SpinButton1Up");
    EXPECT_EQ(yearEdit()->text(), "00");
    EXPECT_EQ(century()->value(), 20);
    EXPECT_EQ(heading(1), "december 2000");
    click("SpinButton1Down");
    EXPECT_EQ(yearEdit()->text(), "99");
    EXPECT_EQ(century()->value(), 19);
    EXPECT_EQ(heading(1), "december 1999");

    century()->setValue(0);
    typeYear("1");
    click("SpinButton1Down");  // not down to year 0
    EXPECT_EQ(yearEdit()->text(), "01");
    EXPECT_EQ(heading(1), "december 1");
}

TEST_F(KalenderTest, Year0IsGreyAndTheMonthButtonStopsInJanuaryOfYear1) {
    dlg->show();
    century()->setValue(0);
    typeYear("1");
    for (int i = 0; i < 11; ++i) click("decmaandbtn");
    EXPECT_EQ(heading(1), "januari 1");
    EXPECT_EQ(heading(0), "december 0");
    click("decmaandbtn");
    EXPECT_EQ(heading(1), "januari 1");

    // Grid 1 is year 0: grey, without numbers, and a press chooses nothing.
    EXPECT_EQ(pixel(0, 3, 3), kGrey);
    EXPECT_EQ(pixel(0, 0, 3), kSilver);
    press(0, 3, 3);
    EXPECT_FALSE(dlg->dayChosen());
    EXPECT_EQ(pixel(1, 1, 2), kAqua);  // Monday 1 January 1

    // The panel for year 1 hides the column of year 0.
    EXPECT_TRUE(label(8)->isHidden());
    EXPECT_EQ(panel(11), "0");
    EXPECT_EQ(panel(12), "1");

    // "00" in century 0 shows year 0 itself, with an empty column in the panel.
    typeYear("0");
    EXPECT_EQ(heading(1), "januari 0");
    EXPECT_EQ(century()->value(), 0);
    EXPECT_EQ(pixel(1, 3, 3), kGrey);
    EXPECT_EQ(panel(12), "0");
    EXPECT_EQ(panel(14), "");
    EXPECT_EQ(panel(11), "");
}

TEST_F(KalenderTest, NuGoesToTheClockAndEveryOpeningToTheStartDay) {
    scripted.todayDate = {2027, 3, 15};
    dlg->show();
    EXPECT_EQ(heading(1), "december 2026");
    click("incmaandbtn");
    click("Nubtn");
    EXPECT_EQ(heading(1), "maart 2027");
    EXPECT_EQ(yearEdit()->text(), "27");
    EXPECT_EQ(shownDay(), (Ymd{2027, 3, 15}));
    EXPECT_EQ(shownDay(false), (Ymd{2027, 3, 15}));

    dlg->hide();
    dlg->show();
    EXPECT_EQ(heading(1), "december 2026");
    EXPECT_EQ(shownDay(), (Ymd{2026, 12, 6}));
    EXPECT_EQ(pixel(1, 2, 1), kRed);
}

TEST_F(KalenderTest, EveryWayOfClosingLeavesItsFlags) {
    struct Way {
        const char* name;
        std::function<void()> close;
        bool entry, fromDate, dayChosen;
    };
    const std::vector<Way> ways = {
        {"Memo Invoer", [&] { click("invoerbtn"); }, true, false, true},
        {"key I", [&] { QTest::keyClick(yearEdit(), Qt::Key_I, Qt::ControlModifier); }, true, false, true},
        {"Enter on a grid", [&] { QTest::keyClick(grid(1), Qt::Key_Return); }, true, false, true},
        {"double click",
         [&] { QTest::mouseDClick(grid(1), Qt::LeftButton, {}, grid(1)->cellOrigin(2, 5) + QPoint(17, 8)); },
         true, false, true},
        {"Memo's vanaf datum", [&] { click("vanafbtn"); }, false, true, true},
        {"Afsluiten", [&] { click("okbtn"); }, false, false, false},
        {"Escape", [&] { QTest::keyClick(century(), Qt::Key_Escape); }, false, false, true},
        {"close box", [&] { dlg->close(); }, false, false, true},
    };
    for (const Way& way : ways) {
        CalendarAnswer answer;
        // A day was chosen in an earlier opening.
        whileShown(way.close, [&] { answer = dlg->ask(true); });
        EXPECT_EQ(answer.request == CalendarRequest::EnterMemo, way.entry) << way.name;
        EXPECT_EQ(answer.request == CalendarRequest::ListFromDate, way.fromDate) << way.name;
        EXPECT_EQ(answer.dayChosen, way.dayChosen) << way.name;
    }
    EXPECT_EQ(shownDay(), (Ymd{2026, 12, 6}));
}

TEST_F(KalenderTest, ArrowKeysMoveTheChosenDayAndTheGridsFollowItOutOfTheirMonths) {
    dlg->show();
    struct Step {
        Qt::Key key;
        int times;
        Ymd chosen;
        const char* secondGrid;
    };
    const std::vector<Step> steps = {
        {Qt::Key_Right, 1, {2026, 12, 7}, "december 2026"},
        {Qt::Key_Down, 4, {2027, 1, 4}, "december 2026"},  // into the third grid
        {Qt::Key_Down, 8, {2027, 3, 1}, "januari 2027"},   // past the fourth: one month on
        {Qt::Key_Left, 1, {2027, 2, 28}, "januari 2027"},
        {Qt::Key_Up, 13, {2026, 11, 29}, "december 2026"},  // past the first: one month back
        {Qt::Key_Right, 7, {2026, 12, 6}, "december 2026"},
    };
    for (const Step& s : steps) {
        for (int i = 0; i < s.times; ++i) QTest::keyClick(grid(1), s.key);
        EXPECT_EQ(shownDay(), s.chosen) << s.secondGrid;
        EXPECT_EQ(heading(1), s.secondGrid);
    }
    EXPECT_TRUE(dlg->dayChosen());
    EXPECT_EQ(pixel(1, 2, 1), kRed);
    EXPECT_EQ(memos(),
              "zondag,  6-12-2026\nVerjaardag\ntaart\n------------------\nTandarts\n------------------");
}

TEST_F(KalenderTest, AScreenReaderReadsEachGridAsATableOfItsDays) {
    dlg->show();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid(1));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    EXPECT_EQ(table->text(QAccessible::Name), "december 2026");
    ASSERT_EQ(table->childCount(), MonthGrid::kRows * MonthGrid::kColumns);
    auto cell = [&](int row, int column) { return table->child(row * MonthGrid::kColumns + column); };
    struct Expected {
        int row, column;
        QAccessible::Role role;
        const char* name;
    };
    for (const Expected& e : std::vector<Expected>{{0, 0, QAccessible::ColumnHeader, "week"},
                                                   {0, 1, QAccessible::ColumnHeader, "zo"},
                                                   {1, 0, QAccessible::RowHeader, "49"},
                                                   {1, 1, QAccessible::Cell, ""},
                                                   {1, 3, QAccessible::Cell, "dinsdag 1 december 2026"},
                                                   {5, 5, QAccessible::Cell, "donderdag 31 december 2026"}}) {
        EXPECT_EQ(cell(e.row, e.column)->role(), e.role) << e.name;
        EXPECT_EQ(cell(e.row, e.column)->text(QAccessible::Name), e.name);
        EXPECT_EQ(table->indexOfChild(cell(e.row, e.column)), e.row * MonthGrid::kColumns + e.column);
    }
    // 6 December is today and chosen, and has memos; a press chooses another day.
    EXPECT_EQ(cell(2, 1)->text(QAccessible::Description), "vandaag, memo's");
    EXPECT_TRUE(cell(2, 1)->state().selected);
    press(1, 2, 5);
    EXPECT_FALSE(cell(2, 1)->state().selected);
    EXPECT_EQ(cell(2, 1)->text(QAccessible::Description), "vandaag, memo's");
    EXPECT_TRUE(cell(2, 5)->state().selected);
    EXPECT_EQ(cell(2, 5)->text(QAccessible::Description), "");
    QAccessibleInterface* february = QAccessible::queryAccessibleInterface(grid(3));
    EXPECT_EQ(february->text(QAccessible::Name), "februari 2027");
    // A feast day says so, beside its memos.
    EXPECT_EQ(february->child(2 * MonthGrid::kColumns + 4)->text(QAccessible::Name), "woensdag 10 februari 2027");
    EXPECT_EQ(february->child(2 * MonthGrid::kColumns + 4)->text(QAccessible::Description), "memo's, Aswoensdag");

    // As a table: six weeks of seven days, headed by day names and week numbers.
    QAccessibleTableInterface* days = table->tableInterface();
    ASSERT_NE(days, nullptr);
    EXPECT_EQ(days->rowCount(), 6);
    EXPECT_EQ(days->columnCount(), 7);
    EXPECT_EQ(days->cellAt(1, 4)->text(QAccessible::Name), "donderdag 10 december 2026");
    EXPECT_EQ(days->columnDescription(4), "do");
    EXPECT_EQ(days->rowDescription(1), "50");
    ASSERT_EQ(days->selectedCells().size(), 1);
    EXPECT_EQ(days->selectedCells()[0], cell(2, 5));
    QAccessibleTableCellInterface* tenth = cell(2, 5)->tableCellInterface();
    ASSERT_NE(tenth, nullptr);
    EXPECT_EQ(tenth->rowIndex(), 1);
    EXPECT_EQ(tenth->columnIndex(), 4);
    EXPECT_EQ(tenth->columnHeaderCells().value(0), cell(0, 5));
    EXPECT_EQ(tenth->rowHeaderCells().value(0), cell(2, 0));
}

TEST_F(KalenderTest, ADoubleClickEntersAMemoForTheDayPressed) {
    CalendarAnswer answer;
    whileShown([&] { QTest::mouseDClick(grid(3), Qt::LeftButton, {}, grid(3)->cellOrigin(2, 4) + QPoint(17, 8)); },
               [&] { answer = dlg->ask(false); });
    EXPECT_EQ(answer.day, (Ymd{2027, 2, 10}));
    EXPECT_TRUE(answer.dayChosen);
    EXPECT_EQ(answer.request, CalendarRequest::EnterMemo);
}

TEST_F(KalenderTest, TheEntryCommandUndoesWhatThePrintDialogLeftBehind) {
    // The print dialog's pick, confirmed with its own caption of the entry button.
    QString pickTitle, pickCaption;
    bool pickVanaf = true;
    whileShown(
        [&] {
            pickTitle = dlg->windowTitle();
            pickCaption = widget<QPushButton>("invoerbtn")->text();
            pickVanaf = widget("vanafbtn")->isEnabled();
            click("invoerbtn");
        },
        [&] { dlg->pickDay("Kies de begindatum voor de te printen serie", "Begindatum OK", false); });
    EXPECT_EQ(pickTitle, "Kies de begindatum voor de te printen serie");
    EXPECT_EQ(pickCaption, "Begindatum OK");
    EXPECT_FALSE(pickVanaf);

    // Afsluiten then enters no memo: no dialog follows the calendar.
    QString title, entryCaption;
    bool vanafEnabled = false;
    whileShown(
        [&] {
            title = dlg->windowTitle();
            entryCaption = widget<QPushButton>("invoerbtn")->text();
            vanafEnabled = widget("vanafbtn")->isEnabled();
            click("okbtn");
        },
        [&] { QTest::keyClick(test::child(form, "ListBox1"), Qt::Key_I); });
    EXPECT_EQ(title, "Kalender");
    EXPECT_EQ(entryCaption, "Memo Invoer");
    EXPECT_TRUE(vanafEnabled);
}

TEST_F(KalenderTest, AMemoFileThatCannotBeReadIsReportedAndTheMemoPanelHides) {
    dlg->show();
    std::filesystem::remove(memoPath());
    press(1, 2, 5);
    EXPECT_EQ(shownDay(), (Ymd{2026, 12, 10}));
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(scripted.shown[0].text.section('\n', 0, 0), "File not found");
    EXPECT_FALSE(widget("Memo1")->isVisible());
}

}  // namespace
}  // namespace jotanor
