#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>

#include "widgets/SpinEdit.h"
#include "mainwindow/Tform1.h"
#include "output/TOptionsdlg.h"
#include "support/Child.h"
#include "support/ModalScript.h"
#include "support/UiFixture.h"

namespace jotanor {
namespace {

using test::child;

class TOptionsdlgTest : public test::UiFixture {
protected:
    void SetUp() override {
        test::writeBytes(memoPath(), {});
        ASSERT_TRUE(form.FormCreate());
        dlg = child<TOptionsdlg>(form, "Optionsdlg");
        settings().backupPlace = "C:\\jotanor1.mem";
    }

    Settings& settings() { return form.settings(); }

    // Opens the dialog with the key O, as the user does, and runs `act`
    // while it is up; a dialog that `act` leaves open is cancelled.
    void open(const std::function<void(TOptionsdlg&)>& act) {
        test::withDialog<TOptionsdlg>(act, [this] { QTest::keyClick(child(form, "ListBox1"), Qt::Key_O); });
        EXPECT_FALSE(dlg->isVisible());
    }

    static void click(TOptionsdlg& d, const char* name) {
        QWidget* w = child(d, name);
        ASSERT_TRUE(w->isVisible()) << name;
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, w->height() / 2));
    }
    static SpinEdit* spin(TOptionsdlg& d, const char* name) { return child<SpinEdit>(d, name); }
    static void type(TOptionsdlg& d, const char* name, const QString& text) {
        spin(d, name)->setFocus();
        spin(d, name)->selectAll();
        QTest::keyClicks(spin(d, name), text);
    }
    // Leaving a field settles its text. The event is sent, so the test does
    // not wait on the window system to make the dialog active (under Wine).
    static void leave(TOptionsdlg& d, const char* name) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(spin(d, name), &out);
    }
    static bool checked(TOptionsdlg& d, const char* name) { return child<QRadioButton>(d, name)->isChecked(); }
    static QLabel* label(TOptionsdlg& d, const char* name) { return child<QLabel>(d, name); }
    static std::vector<QString> visiblePanels(TOptionsdlg& d) {
        std::vector<QString> v;
        for (const char* name : {"Panel1", "Panel2", "Panel3", "Panel4", "Panel5"})
            if (child(d, name)->isVisible()) v.push_back(name);
        return v;
    }

    Tform1 form{scripted.platform()};
    TOptionsdlg* dlg = nullptr;
};

using Names = std::vector<QString>;

TEST_F(TOptionsdlgTest, FirstOpeningShowsTheStartPositionOptionTheRangesAndTheSettings) {
    settings().leftPercent = 45;
    settings().bottomPercent = 80;
    settings().fontSize = 10;
    settings().weekParity = 1;
    open([&](TOptionsdlg& d) {
        EXPECT_EQ(d.windowTitle(), "Options");
        EXPECT_EQ(d.size(), QSize(450, 452));
        EXPECT_EQ(std::pair(spin(d, "SpinEdit2")->minimum(), spin(d, "SpinEdit2")->maximum()), std::pair(0, 95));
        EXPECT_EQ(std::pair(spin(d, "SpinEdit3")->minimum(), spin(d, "SpinEdit3")->maximum()), std::pair(0, 100));
        EXPECT_EQ(std::pair(spin(d, "SpinEdit1")->minimum(), spin(d, "SpinEdit1")->maximum()), std::pair(8, 12));

        EXPECT_TRUE(checked(d, "RadioButton2"));
        EXPECT_EQ(visiblePanels(d), (Names{"Panel2", "Panel4"}));
        EXPECT_EQ(spin(d, "SpinEdit2")->value(), 45);
        EXPECT_EQ(spin(d, "SpinEdit3")->value(), 80);
        EXPECT_EQ(spin(d, "SpinEdit1")->value(), 10);
        EXPECT_EQ(label(d, "Label3")->font().pointSize(), 10);
        EXPECT_EQ(label(d, "Label3")->font().family(), "Arial");
        EXPECT_TRUE(checked(d, "RadioButton6"));
        EXPECT_FALSE(checked(d, "RadioButton5"));
        EXPECT_EQ(label(d, "Label1")->text(), "De plaats is C:\\jotanor1.mem");
    });
}

TEST_F(TOptionsdlgTest, EachOptionPanelShowsAloneAndTheChoiceCarriesOver) {
    open([&](TOptionsdlg& d) {
        click(d, "RadioButton4");
        EXPECT_EQ(visiblePanels(d), (Names{"Panel5"}));
        click(d, "RadioButton1");  // hides the week-colour panel
        EXPECT_EQ(visiblePanels(d), (Names{"Panel1"}));
        click(d, "RadioButton3");
        click(d, "RadioButton3");  // clicking the selected option keeps it selected
        EXPECT_TRUE(checked(d, "RadioButton3"));
        EXPECT_TRUE(checked(d, "RadioButton6"));  // the week colours are a group of their own
        EXPECT_EQ(visiblePanels(d), (Names{"Panel3"}));
    });
    open([&](TOptionsdlg& d) {
        EXPECT_TRUE(checked(d, "RadioButton3"));
        EXPECT_EQ(visiblePanels(d), (Names{"Panel3"}));
    });
}

TEST_F(TOptionsdlgTest, ConfirmingStoresOnlyTheSelectedOption) {
    const Settings before = settings();
    open([&](TOptionsdlg& d) {
        type(d, "SpinEdit2", "30");
        type(d, "SpinEdit3", "60");
        click(d, "Button1");
    });
    EXPECT_EQ(settings().leftPercent, 30);
    EXPECT_EQ(settings().bottomPercent, 60);

    open([&](TOptionsdlg& d) {
        click(d, "RadioButton3");
        type(d, "SpinEdit1", "11");
        EXPECT_EQ(label(d, "Label3")->font().pointSize(), 11);  // the preview follows at once
        type(d, "SpinEdit2", "5");  // hidden edits do not count
        click(d, "Button1");
    });
    EXPECT_EQ(settings().fontSize, 11);
    EXPECT_EQ(settings().leftPercent, 30);

    open([&](TOptionsdlg& d) {
        click(d, "RadioButton4");
        click(d, "RadioButton5");
        click(d, "Button1");
    });
    EXPECT_EQ(settings().weekParity, 0);
    open([&](TOptionsdlg& d) {
        EXPECT_TRUE(checked(d, "RadioButton5"));
        click(d, "RadioButton6");
        click(d, "Button1");
    });
    EXPECT_EQ(settings().weekParity, 1);
    EXPECT_EQ(settings().backupPlace, before.backupPlace);
    EXPECT_EQ(settings().bottomPercent, 60);
}

TEST_F(TOptionsdlgTest, CancelEscapeAndClosingStoreNothing) {
    const Settings before = settings();
    auto change = [](TOptionsdlg& d) {
        type(d, "SpinEdit2", "12");
        type(d, "SpinEdit3", "34");
    };
    open([&](TOptionsdlg& d) {
        change(d);
        click(d, "cancelbtn");
    });
    open([&](TOptionsdlg& d) {
        change(d);
        QTest::keyClick(spin(d, "SpinEdit3"), Qt::Key_Escape);  // while a spin edit has the focus
    });
    open([&](TOptionsdlg& d) {
        change(d);
        d.close();
    });
    open([&](TOptionsdlg& d) {
        click(d, "RadioButton3");
        type(d, "SpinEdit1", "12");
        click(d, "RadioButton1");
        click(d, "Button3");  // "geen backup", then Escape
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(settings().leftPercent, before.leftPercent);
    EXPECT_EQ(settings().bottomPercent, before.bottomPercent);
    EXPECT_EQ(settings().fontSize, before.fontSize);
    EXPECT_EQ(settings().backupPlace, before.backupPlace);
    // The next opening shows the settings again, not what was typed.
    open([&](TOptionsdlg& d) {
        EXPECT_EQ(spin(d, "SpinEdit2")->value(), before.leftPercent);
        EXPECT_EQ(label(d, "Label1")->text(), "De plaats is C:\\jotanor1.mem");
    });
}

TEST_F(TOptionsdlgTest, GeenBackupEmptiesThePlaceOnlyWhenTheBackupOptionIsConfirmed) {
    open([&](TOptionsdlg& d) {
        click(d, "RadioButton1");
        click(d, "Button3");
        EXPECT_EQ(label(d, "Label1")->text(), "Geen backup-file ingesteld");
        click(d, "RadioButton4");  // confirming another option
        click(d, "Button1");
    });
    EXPECT_EQ(settings().backupPlace, "C:\\jotanor1.mem");

    open([&](TOptionsdlg& d) {
        click(d, "RadioButton1");
        click(d, "Button3");
        click(d, "Button1");
    });
    EXPECT_EQ(settings().backupPlace, "");
    open([&](TOptionsdlg& d) { EXPECT_EQ(label(d, "Label1")->text(), "Geen backup-file ingesteld"); });
}

TEST_F(TOptionsdlgTest, WijzigenProposesTheFileAndKeepsThePendingPlaceUntilConfirmed) {
    const QString chosen = fromPath(dir.file("reserve kopie.mem"));
    scripted.saveAnswers = {std::nullopt, chosen};
    open([&](TOptionsdlg& d) {
        click(d, "RadioButton1");
        click(d, "Button2");  // cancelled: nothing changes
        EXPECT_EQ(label(d, "Label1")->text(), "De plaats is C:\\jotanor1.mem");
        click(d, "Button2");
        EXPECT_EQ(label(d, "Label1")->text(), "De plaats is " + chosen);
        EXPECT_EQ(label(d, "Label1")->accessibleDescription(), "De plaats is " + chosen) << "read by a screen reader";
        // Away and back: the label shows the place in force, the pending
        // place is kept, and confirming stores it.
        click(d, "RadioButton4");
        click(d, "RadioButton1");
        EXPECT_EQ(label(d, "Label1")->text(), "De plaats is C:\\jotanor1.mem");
        click(d, "Button1");
    });
    EXPECT_EQ(scripted.openProposals, (std::vector<QString>{"F:\\jotanor1.mem", "F:\\jotanor1.mem"}));
    EXPECT_EQ(settings().backupPlace, chosen.toStdString());
    EXPECT_FALSE(std::filesystem::exists(dir.file("reserve kopie.mem")));  // neither created nor opened

    // Confirming the backup option untouched changes nothing.
    open([&](TOptionsdlg& d) {
        click(d, "RadioButton1");
        click(d, "Button1");
    });
    EXPECT_EQ(settings().backupPlace, chosen.toStdString());
}

// The memo file itself, by any name, is no backup place.
TEST_F(TOptionsdlgTest, TheMemoFileItselfIsRefusedAsTheBackupPlace) {
    std::filesystem::create_directory(dir.file("map"));
#ifdef _WIN32
    std::filesystem::create_hard_link(memoPath(), dir.file("map/link.mem"));  // a symbolic link needs rights
#else
    std::filesystem::create_symlink(memoPath(), dir.file("map/link.mem"));
#endif
    const QString other = fromPath(dir.file("kopie.mem"));
    scripted.saveAnswers = {fromPath(memoPath()), fromPath(dir.file("map/../map/link.mem")), other};
    open([&](TOptionsdlg& d) {
        click(d, "RadioButton1");
        for (int i = 0; i < 3; ++i) click(d, "Button2");
        click(d, "Button1");
    });
    ASSERT_EQ(scripted.shown.size(), 2u);
    for (const auto& box : scripted.shown) {
        EXPECT_EQ(box.kind, MsgKind::Warning);
        EXPECT_EQ(box.text, "Het memobestand zelf kan niet zijn eigen backup zijn; kies een andere plaats.");
    }
    EXPECT_EQ(settings().backupPlace, other.toStdString());
}

TEST_F(TOptionsdlgTest, AParityOtherThanZeroOrOneSelectsNeitherAndIsKept) {
    settings().weekParity = 2;
    open([&](TOptionsdlg& d) {
        EXPECT_FALSE(checked(d, "RadioButton5"));
        EXPECT_FALSE(checked(d, "RadioButton6"));
        click(d, "RadioButton4");
        click(d, "Button1");
    });
    EXPECT_EQ(settings().weekParity, 2);
}

TEST_F(TOptionsdlgTest, AFontSizeOutsideTheRangeShowsAndStoresTheNearestBound) {
    for (auto [stored, shown] : {std::pair(0, 8), std::pair(20, 12)}) {
        settings().fontSize = stored;
        open([&](TOptionsdlg& d) {
            EXPECT_EQ(spin(d, "SpinEdit1")->value(), shown);
            EXPECT_EQ(label(d, "Label3")->font().pointSize(), shown);
            click(d, "RadioButton3");
            click(d, "Button1");
        });
        EXPECT_EQ(settings().fontSize, shown);
    }
}

TEST_F(TOptionsdlgTest, TypedTextIsBroughtIntoTheRange) {
    open([&](TOptionsdlg& d) {
        click(d, "RadioButton2");
        type(d, "SpinEdit2", "200");
        type(d, "SpinEdit3", "abc");
        click(d, "Button1");
    });
    EXPECT_EQ(settings().leftPercent, 95);
    EXPECT_EQ(settings().bottomPercent, 0);

    open([&](TOptionsdlg& d) {
        type(d, "SpinEdit2", " 45");  // leading blanks are fine
        leave(d, "SpinEdit2");
        EXPECT_EQ(spin(d, "SpinEdit2")->text(), "45");
        type(d, "SpinEdit3", "-5");
        leave(d, "SpinEdit3");
        EXPECT_EQ(spin(d, "SpinEdit3")->value(), 0);
    });
}

}  // namespace
}  // namespace jotanor
