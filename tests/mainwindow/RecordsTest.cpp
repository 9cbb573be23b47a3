// The record commands and the search, driven through the main window and
// its real dialogs.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include "calendar/Tkalenderdlg.h"
#include "mainwindow/Tconfirmdlg.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Tinvoerdlg.h"
#include "mainwindow/Twijzigdlg.h"
#include "mainwindow/Tzoekdlg.h"
#include "support/ModalScript.h"
#include "support/UiFixture.h"

namespace jotanor {
namespace {

using test::withDialogs;

const DaySerial k6Dec = 46362;  // Sunday 6 December 2026, the tests' today

class RecordsTest : public test::UiFixture {
protected:
    void SetUp() override {
        writeMemos({{k6Dec - 1, "gisteren", ""}, {k6Dec, "Verjaardag", "taart"}, {k6Dec + 66, "februari", ""}});
        ASSERT_TRUE(form.FormCreate());
        form.createDialogs();
    }

    void writeMemos(const std::vector<MemoRecord>& memos) {
        std::vector<unsigned char> bytes;
        for (const MemoRecord& m : memos) {
            const auto r = encodeRecord(m);
            bytes.insert(bytes.end(), r.begin(), r.end());
        }
        test::writeBytes(memoPath(), bytes);
    }
    std::vector<MemoRecord> stored() { return form.memoFile().readAll(); }
    MainState& state() { return form.state(); }

    // Fills the open entry or change dialog and presses Enter in its second line.
    static void typeLinesAndEnter(QDialog& dialog, const QString& line1, const QString& line2) {
        auto& d = static_cast<Datumdlg&>(dialog);
        d.Edit1->clear();
        QTest::keyClicks(d.Edit1, line1);
        d.Edit2->clear();
        QTest::keyClicks(d.Edit2, line2);
        QTest::keyClick(d.Edit2, Qt::Key_Return);
    }
    static QString spins(QDialog& dialog) {
        auto& d = static_cast<Datumdlg&>(dialog);
        return QString("%1/%2/%3 %4")
            .arg(d.SpinEdit1->value())
            .arg(d.SpinEdit2->value())
            .arg(d.SpinEdit3->value())
            .arg(d.Label4->text());
    }

    Tform1 form{scripted.platform()};
};

TEST_F(RecordsTest, ADoubleClickInTheCalendarEntersAMemoForThatDay) {
    QString caption, shown, line1;
    withDialogs({[&](QDialog& calendar) {
                     auto& k = static_cast<Tkalenderdlg&>(calendar);
                     QTest::mouseDClick(k.StringGrid[3], Qt::LeftButton, {},
                                        k.StringGrid[3]->cellOrigin(2, 4) + QPoint(17, 8));  // 10 February 2027
                 },
                 [&](QDialog& entry) {
                     caption = entry.windowTitle();
                     shown = spins(entry);
                     line1 = static_cast<Datumdlg&>(entry).Edit1->text();
                     typeLinesAndEnter(entry, "Tandarts", "om 10 uur");
                 }},
                [&] { form.Invoer1Click(); });
    EXPECT_EQ(caption, "Invoer van een record");
    EXPECT_EQ(shown, "10/2/2027 woensdag");
    EXPECT_EQ(line1, "");
    EXPECT_FALSE(state().entryRequest);
    EXPECT_FALSE(state().dayChosen);
    const auto memos = stored();
    ASSERT_EQ(memos.size(), 4u);
    // The only other memo of that day is the last record: the new one follows it.
    EXPECT_EQ(memos[3], (MemoRecord{k6Dec + 66, "Tandarts", "om 10 uur"}));
}

TEST_F(RecordsTest, TheKeyIInTheCalendarEntersAMemoAndCancelStoresNothing) {
    auto chooseAndPressI = [](QDialog& calendar) {
        auto& k = static_cast<Tkalenderdlg&>(calendar);
        QTest::mouseClick(k.StringGrid[1], Qt::LeftButton, {}, k.StringGrid[1]->cellOrigin(2, 5) + QPoint(17, 8));
        QTest::keyClick(k.okbtn, Qt::Key_I);  // 10 December
    };
    QString shown;
    withDialogs({chooseAndPressI,
                 [&](QDialog& entry) {
                     shown = spins(entry);
                     QTest::keyClick(static_cast<Datumdlg&>(entry).Edit1, Qt::Key_Escape);
                 }},
                [&] { QTest::keyClick(form.ListBox1, Qt::Key_I); });
    EXPECT_EQ(shown, "10/12/2026 donderdag");
    EXPECT_EQ(stored().size(), 3u);
    EXPECT_FALSE(state().entryRequest);

    withDialogs({chooseAndPressI, [&](QDialog& entry) { typeLinesAndEnter(entry, "Kapper", ""); }},
                [&] { QTest::keyClick(form.ListBox1, Qt::Key_I, Qt::ShiftModifier); });
    const auto memos = stored();
    ASSERT_EQ(memos.size(), 4u);
    EXPECT_EQ(memos[2], (MemoRecord{encodeDate(2026, 12, 10), "Kapper", ""}));

    // Without a day chosen in the calendar the entry starts from today.
    withDialogs({[](QDialog& calendar) { static_cast<Tkalenderdlg&>(calendar).invoerbtn->click(); },
                 [&](QDialog& entry) {
                     shown = spins(entry);
                     entry.reject();
                 }},
                [&] { form.Invoer1Click(); });
    EXPECT_EQ(shown, "6/12/2026 zondag");
}

TEST_F(RecordsTest, AnImpossibleDateInTheEntryDialogGivesTodayAfterOneWarning) {
    state().chosenDay = {2027, 4, 30};
    state().dayChosen = true;
    QString after;
    withDialogs({[&](QDialog& dialog) {
                    auto& d = static_cast<Datumdlg&>(dialog);
                    EXPECT_EQ(spins(dialog), "30/4/2027 vrijdag");
                    // Typed digits count in this dialog.
                    d.SpinEdit3->selectAll();
                    QTest::keyClicks(d.SpinEdit3, "2028");
                    EXPECT_EQ(spins(dialog), "30/4/2028 zondag");
                    QTest::keyClick(d.SpinEdit1, Qt::Key_Up);
                    after = spins(dialog);
                    dialog.reject();
                }},
                [&] { form.invoeren(); });
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(scripted.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(scripted.shown[0].text, "datum 31/4/2028 bestaat niet...");
    EXPECT_EQ(after, "6/12/2026 zondag");
}

TEST_F(RecordsTest, TheChangeDialogTakesNoTypingAndWarnsOfAnImpossibleDate) {
    Twijzigdlg& dlg = *form.wijzigdlg;
    EXPECT_EQ(dlg.SpinEdit3->maximum(), 3000);
    EXPECT_EQ(form.invoerdlg->SpinEdit3->maximum(), 2200);
    dlg.setRecord({encodeDate(2027, 4, 30), "Tandarts", "bellen"});
    QString caption, shown, after;
    bool typing = true;
    for (const char* mode : {"wijzigen", "copieren"}) {
        state().dialogMode = mode;
        withDialogs({[&](QDialog& d) {
                        caption = d.windowTitle();
                        d.reject();
                    }},
                    [&] { dlg.exec(); });
        EXPECT_EQ(caption, mode == std::string("wijzigen") ? "Wijzigen van dit record"
                                                           : "Maak een copie voor een andere datum");
    }
    withDialogs({[&](QDialog&) {
                    shown = spins(dlg);
                    typing = dlg.SpinEdit1->typen();
                    dlg.SpinEdit1->selectAll();
                    QTest::keyClicks(dlg.SpinEdit1, "5");
                    QTest::keyClick(dlg.SpinEdit1, Qt::Key_Up);
                    after = spins(dlg);
                    QTest::keyClick(dlg.Edit1, Qt::Key_Return);
                }},
                [&] { EXPECT_EQ(dlg.exec(), QDialog::Accepted); });
    EXPECT_EQ(shown, "30/4/2027 vrijdag");
    EXPECT_FALSE(typing);
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].text, "datum 31/4/2027 bestaat niet...");
    EXPECT_EQ(after, "6/12/2026 zondag");
    EXPECT_EQ(state().currentRecord, (MemoRecord{k6Dec, "Tandarts", "bellen"}));
}

TEST_F(RecordsTest, WithoutASelectedLineTheCommandsAskForOne) {
    form.Wijzigen1Click();
    form.CopieF41Click();
    QTest::keyClick(form.ListBox1, Qt::Key_F4);
    QTest::keyClick(form.ListBox1, Qt::Key_Delete);
    ASSERT_EQ(scripted.shown.size(), 4u);
    for (const auto& box : scripted.shown) {
        EXPECT_EQ(box.kind, MsgKind::Information);
        EXPECT_EQ(box.text, "Selecteer een memo! ");
    }
    EXPECT_EQ(state().selectedIndex, -1);
    EXPECT_EQ(stored().size(), 3u);
}

TEST_F(RecordsTest, TheSearchDialogKeepsItsTextAndTickAndCancelRepeatsTheLastSearch) {
    Tzoekdlg& dlg = *form.zoekdlg;
    EXPECT_EQ(dlg.windowTitle(), "Zoeken in het bestand");
    EXPECT_TRUE(dlg.CheckBox1->isChecked());
    const QString before = form.Label2->text();

    // Cancel before any search and OK with an empty field change nothing.
    withDialogs({[](QDialog& d) { d.reject(); }}, [&] { QTest::keyClick(form.ListBox1, Qt::Key_F3); });
    withDialogs({[](QDialog& d) { QTest::keyClick(static_cast<Tzoekdlg&>(d).Edit1, Qt::Key_Return); }},
                [&] { form.Zoeken1Click(); });
    EXPECT_EQ(form.Label2->text(), before);
    EXPECT_TRUE(state().searchText.empty());

    bool focused = false;
    withDialogs({[&](QDialog& d) {
                    auto& z = static_cast<Tzoekdlg&>(d);
                    focused = z.focusWidget() == z.Edit1;
                    QTest::keyClicks(z.Edit1, "Tand Arts");
                    z.CheckBox1->setChecked(false);
                    z.OKBtn->click();
                }},
                [&] { form.Zoeken1Click(); });
    EXPECT_TRUE(focused);
    EXPECT_EQ(form.Label2->text(), "Zoekwoord : tandarts");
    EXPECT_EQ(form.Label1->text(), "zondag,  6-12-2026");

    // Cancel runs the previous search again, with the tick as it now stands.
    QString kept;
    withDialogs({[&](QDialog& d) {
                    auto& z = static_cast<Tzoekdlg&>(d);
                    kept = z.Edit1->text();
                    z.CheckBox1->setChecked(true);
                    z.CancelBtn->click();
                }},
                [&] { form.Zoeken1Click(); });
    EXPECT_EQ(kept, "Tand Arts");
    EXPECT_EQ(form.Label2->text(), "Zoekwoord : TandArts");
}

}  // namespace
}  // namespace jotanor
