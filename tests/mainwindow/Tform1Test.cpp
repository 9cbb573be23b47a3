#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QLineEdit>
#include <QCheckBox>
#include <QPushButton>
#include <fstream>
#include <QElapsedTimer>
#include <QTest>
#include <QTranslator>
#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#include <climits>

#include "diary/CalendarAccount.h"
#include "diary/MemoCommands.h"
#include "output/core/RtfReader.h"
#include "mainwindow/Tconfirmdlg.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Tinvoerdlg.h"
#include "mainwindow/Tvanafdlg.h"
#include "mainwindow/Twijzigdlg.h"
#include "mainwindow/Txwekendlg.h"
#include "output/Tauteurdlg.h"
#include "output/Tprintdlg.h"
#include "store/Errors.h"
#include "support/Child.h"
#include "support/ModalScript.h"
#include "support/UiFixture.h"

namespace jotanor {
namespace {

using test::child;
using test::trigger;

class Tform1Test : public test::UiFixture {
protected:
    QString memoName() const { return fromPath(std::filesystem::absolute(memoPath())); }
};

TEST_F(Tform1Test, NoAtTheStartQuestionEndsWithoutAFile) {
    Tform1 form(scripted.platform());
    scripted.answers = {MsgResult::No};
    EXPECT_FALSE(form.FormCreate());
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Confirmation);
    EXPECT_EQ(scripted.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(scripted.shown[0].text, memoName() + " niet gevonden. Nieuwe file aanmaken ?");
    EXPECT_FALSE(std::filesystem::exists(memoPath()));
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Tform1Test, YesCreatesAnEmptyMemoFileAndNamesItInTheTitle) {
    Tform1 form(scripted.platform());
    scripted.answers = {MsgResult::Yes};
    EXPECT_TRUE(form.FormCreate());
    EXPECT_TRUE(std::filesystem::exists(memoPath()));
    EXPECT_EQ(std::filesystem::file_size(memoPath()), 0u);
    EXPECT_EQ(form.windowTitle(), "Jotanor versie 2.0 ***  " + memoName());
}

TEST_F(Tform1Test, AnExistingMemoFileIsOpenedWithoutAQuestion) {
    test::writeBytes(memoPath(), {});
    Tform1 form(scripted.platform());
    EXPECT_TRUE(form.FormCreate());
    EXPECT_TRUE(scripted.shown.empty());
    EXPECT_EQ(form.windowTitle(), "Jotanor versie 2.0 ***  " + memoName());
}

// A memo file named at the start that is not there is the one offered.
TEST_F(Tform1Test, ANamedMemoFileThatIsNotThereIsTheOneCreated) {
    const auto named = dir.file("dagboek.mem");
    Tform1 form(scripted.platform());
    scripted.answers = {MsgResult::Yes};
    EXPECT_TRUE(form.FormCreate(named));
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].text, fromPath(named) + " niet gevonden. Nieuwe file aanmaken ?");
    EXPECT_TRUE(std::filesystem::exists(named));
    EXPECT_FALSE(std::filesystem::exists(memoPath()));
    EXPECT_EQ(form.windowTitle(), "Jotanor versie 2.0 ***  " + fromPath(named));
}

// The title bar, the task bar and the window switcher show the launcher's artwork.
TEST_F(Tform1Test, TheWindowsIconIsTheProgramsIcon) {
    Tform1 form(scripted.platform());
    for (int size : {16, 48, 256}) {
        const QImage artwork(QString(JOTANOR_SOURCE_DIR "/packaging/icons/nl.jotanor.Jotanor-%1.png").arg(size));
        ASSERT_FALSE(artwork.isNull());
        const auto premultiplied = QImage::Format_ARGB32_Premultiplied;
        EXPECT_EQ(form.windowIcon().pixmap(size, size).toImage().convertToFormat(premultiplied),
                  artwork.convertToFormat(premultiplied))
            << size;
    }
}

// The help names every menu and every command in it, as the menu bar shows
// them, and where the memo file lives when started from a menu.
TEST_F(Tform1Test, TheHelpTextDescribesEveryMenuAndWhereTheMemoFileLives) {
    std::ifstream in(JOTANOR_SOURCE_DIR "/assets/memohelp.rtf", std::ios::binary);
    const QString help = QString::fromStdString(
        readRtf(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())).text());
    Tform1 form(scripted.platform());
    const auto plain = [](QString caption) { return caption.remove('&').section('[', 0, 0).trimmed(); };
    int named = 0;
    for (QAction* top : form.menuBar()->actions()) {
        EXPECT_TRUE(help.contains(plain(top->text()))) << top->text().toStdString();
        if (top->menu())
            for (QAction* item : top->menu()->actions())
                if (!item->isSeparator()) {
                    EXPECT_TRUE(help.contains(plain(item->text()))) << item->text().toStdString();
                    ++named;
                }
    }
    EXPECT_GE(named, 15);
    EXPECT_TRUE(help.contains("Documenten\\Jotanor")) << help.toStdString();
}

#ifndef _WIN32
// A sync at close with a server that takes the connection and never
// answers: the window is gone within the five seconds the status line
// promises, from the key press on, and the sync was stopped and waited for.
TEST_F(Tform1Test, CloseDuringASyncWithAHangingServerEndsWithinFiveSeconds) {
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&at), size), 0);
    ASSERT_EQ(::listen(server, 8), 0);  // the kernel takes the connection; no one answers
    ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr*>(&at), &size), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(at.sin_port)) + "/agenda/";
    saveAccount(nativeFileSystem(), kAccountFileName, {url, "", false, true});
    test::writeBytes(memoPath(), {});
    QElapsedTimer sincePress;
    {
        Tform1 form(scripted.platform());
        ASSERT_TRUE(form.FormCreate());
        form.show();
        QApplication::processEvents();
        sincePress.start();
        QTest::keyClick(child(form, "ListBox1"), Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
        EXPECT_LT(sincePress.elapsed(), 5000) << "the window went after the promised five seconds";
        EXPECT_EQ(child<QLabel>(form, "syncLine")->text(),
                  "Synchronisatie gestopt; de volgende keer gaat ze verder.");
    }
    // Its thread ends with the window's, a moment later at most.
    EXPECT_LT(sincePress.elapsed(), 6000) << "the sync went on after the window";
    ::close(server);
}
#endif

TEST_F(Tform1Test, AFileThatCannotBeCreatedLeavesThePlainTitle) {
    std::filesystem::create_directory(memoPath());  // a folder in its place
    Tform1 form(scripted.platform());
    scripted.answers = {MsgResult::Yes};
    EXPECT_TRUE(form.FormCreate());
    ASSERT_EQ(scripted.shown.size(), 2u);
    EXPECT_EQ(scripted.shown[1].kind, MsgKind::Error);
    EXPECT_EQ(form.windowTitle(), "Jotanor");
}

class Tform1Open : public Tform1Test {
protected:
    void SetUp() override {
        test::writeBytes(memoPath(), {});
        ASSERT_TRUE(form.FormCreate());
    }
    Tform1 form{scripted.platform()};
};

TEST_F(Tform1Open, MijnfileSwitchesToTheChosenFile) {
    auto other = dir.file("ander.mem");
    test::writeBytes(other, {});
    scripted.openAnswers = {fromPath(other)};
    test::trigger(form, "Mijnfile1");
    ASSERT_EQ(scripted.openProposals.size(), 1u);
    EXPECT_EQ(scripted.openProposals[0], "Openen van een andere .MEM-file|jotanor1.mem");
    EXPECT_EQ(form.windowTitle(), "Jotanor versie 2.0 ***  " + fromPath(other));
    EXPECT_EQ(form.session().file().path(), other);
    EXPECT_TRUE(scripted.shown.empty());
}

TEST_F(Tform1Open, CancelInMijnfileKeepsTheCurrentFile) {
    scripted.openAnswers = {std::nullopt};
    test::trigger(form, "Mijnfile1");
    EXPECT_EQ(form.windowTitle(), "Jotanor versie 2.0 ***  " + memoName());
    EXPECT_TRUE(scripted.shown.empty());
}

TEST_F(Tform1Open, AFileThatCannotBeOpenedIsNotFoundAndTheFileInUseStays) {
    const QString missing = fromPath(dir.file("weg.mem"));
    scripted.openAnswers = {missing};
    test::trigger(form, "Mijnfile1");
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Information);
    EXPECT_EQ(scripted.shown[0].text, missing + " niet gevonden");
    EXPECT_EQ(form.windowTitle(), "Jotanor versie 2.0 ***  " + memoName());
    // Commands and the close go on with the file the title names.
    form.show();
    QApplication::processEvents();
    QTest::keyClick(child(form, "ListBox1"), Qt::Key_Return);
    test::trigger(form, "Memoaantal1");
    ASSERT_EQ(scripted.shown.size(), 2u);
    EXPECT_EQ(scripted.shown[1].kind, MsgKind::Information);
    form.settings().backupPlace = fromPath(dir.file("kopie.mem")).toStdString();
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(std::filesystem::exists(dir.file("kopie.mem")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("weg.mem")));
}

// On a Dutch system the toolkit's own dialogs speak Dutch; elsewhere they
// keep the toolkit's texts. The message boxes keep their captions and buttons.
TEST_F(Tform1Open, TheToolkitsDialogsSpeakDutchOnADutchSystem) {
    const auto fileNameLabel = [] {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        return dialog.findChild<QLabel*>("fileNameLabel")->text();
    };
    EXPECT_FALSE(useToolkitTranslations(*qApp, QLocale(QLocale::English)));
    const QString english = fileNameLabel();
    ASSERT_TRUE(useToolkitTranslations(*qApp, QLocale(QLocale::Dutch)));
    const QString dutch = fileNameLabel();
    QStringList box;
    test::withDialogs({[&](QDialog& d) {
                          box << d.windowTitle();
                          for (auto* b : d.findChildren<QPushButton*>()) box << b->text();
                          d.reject();
                      }},
                      [] { qtPlatform().boxes->show(MsgKind::Confirmation, "Vraag", MsgButtons::YesNo); });
    for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    EXPECT_EQ(english, "File &name:");
    EXPECT_EQ(dutch, "Bestands&naam:");
    EXPECT_EQ(box, (QStringList{"Confirm", "&Yes", "&No"}));
}

TEST_F(Tform1Open, TheOpenDialogsFilterReadsAsGiven) {
    scripted.platform().fileDialogs = qtPlatform().fileDialogs;
    QStringList filters;
    QString shown;
    test::withDialog<QFileDialog>(
        [&](QFileDialog& d) {
            filters = d.nameFilters();
            if (auto* combo = d.findChild<QComboBox*>("fileTypeCombo")) shown = combo->currentText();
            d.reject();
        },
        [&] { test::trigger(form, "Mijnfile1"); });
    EXPECT_EQ(filters, QStringList{"*.mem"});
    EXPECT_EQ(shown, "*.mem");
}

TEST_F(Tform1Open, TheMenuHoldsEveryCaption) {
    auto caption = [&](const char* name) { return child<QAction>(form, name)->text(); };
    EXPECT_EQ(child<QMenu>(form, "File1")->title(), "&Bestand");
    EXPECT_EQ(caption("Afdrukvaneenreeksmemos1"), "Afdruk van een geselecteerde reeks memo's");
    EXPECT_EQ(caption("Mijnfile1"), "Open andere Mem-file");
    EXPECT_EQ(caption("Memoaantal1"), "&Aantal der ogeslagen memo's");
    EXPECT_EQ(caption("Exit1"), "&Eindigen");
    EXPECT_EQ(child<QMenu>(form, "Beeld1")->title(), "Beeld");
    EXPECT_EQ(caption("Fullscreen1"), "Full screen  [ F5 ]");
    EXPECT_EQ(child<QMenu>(form, "Show1")->title(), "Vertoon");
    EXPECT_EQ(caption("Idemvanafxwekenterug1"), "Vanaf &x weken terug");
    EXPECT_EQ(caption("Vanafeendatum1"), "Vanaf een datum");
    EXPECT_EQ(caption("Alles1"), "Alle memo's van een jaar");
    EXPECT_EQ(caption("Helebestand"), "Het hele bestand");
    EXPECT_EQ(caption("Zoeken1"), "Zoek  [F3]");
    EXPECT_EQ(caption("Invoer1"), "Invoer  [I]");
    EXPECT_EQ(caption("Wijzigen1"), "Wijzig  [F2]");
    EXPECT_EQ(caption("CopieF41"), "Copie  [F4]");
    EXPECT_EQ(caption("Wissen1"), "Verwijder  [ Del ]");
    EXPECT_EQ(caption("Options1"), "Options ");
    EXPECT_EQ(child<QMenu>(form, "Help")->title(), "Help");
    EXPECT_EQ(caption("help1"), "Toelichting  [F1]");
    EXPECT_EQ(caption("AboutVUK1"), "About VUK");
    EXPECT_EQ(caption("Aboutauteur1"), "About auteur");
    EXPECT_EQ(child<QMenu>(form, "Agenda1")->title(), "&Agenda");
    EXPECT_EQ(caption("Importeerics1"), "&Importeer een iCalendar-file");
    EXPECT_EQ(caption("Bewaarics1"), "&Bewaar dit overzicht als iCalendar-file");
    EXPECT_EQ(caption("Synchroniseer1"), "&Nu synchroniseren");
    EXPECT_EQ(caption("Account1"), "&Agenda-account");
    // The calendar menu comes after the existing ones.
    EXPECT_EQ(form.menuBar()->actions().back()->menu(), child<QMenu>(form, "Agenda1"));
    // At the window's design width it shows on the bar, not behind the overflow
    // button, with Arial or a font of its widths (Wine without one falls back to wider).
    form.resize(635, form.height());
    form.show();
    const QString family = QFontInfo(form.menuBar()->font()).family();
    const QRect last = form.menuBar()->actionGeometry(form.menuBar()->actions().back());
    if (family == "Arial" || family == "Liberation Sans") {
        EXPECT_TRUE(last.isValid() && last.right() < form.menuBar()->width()) << last.right();
    }
    // Two dividing lines in "&Bestand".
    int separators = 0;
    for (QAction* a : child<QMenu>(form, "File1")->actions()) separators += a->isSeparator();
    EXPECT_EQ(separators, 2);
}

// What a screen reader says when the keyboard reaches a control.
TEST_F(Tform1Open, EveryControlOfEveryWindowThatTheKeyboardReachesHasAName) {
    // The dialogs the window makes where they are used, made here beside it.
    ErrorSink errors(*scripted.platform().boxes);
    const DialogContext context{scripted.platform(), errors};
    Tvanafdlg fromDate(&form, context);
    Txwekendlg weeksBack(&form, context);
    Tinvoerdlg entry(&form, context);
    Twijzigdlg change(&form, context);
    Tconfirmdlg confirm(&form, context);
    Tauteurdlg author(&form, context);
    Tprintdlg print(&form, context, form.session().file(), [](const QString&, const QString&) { return 0.0; });
    QWidgetList windows{&form};
    for (QDialog* d : form.findChildren<QDialog*>()) windows << d;
    EXPECT_GE(windows.size(), 14);
    for (QWidget* window : windows) {
        for (QWidget* w : window->findChildren<QWidget*>()) {
            // A spin box's text field is the spin box itself to the keyboard.
            if (!(w->focusPolicy() & Qt::TabFocus) || qobject_cast<QAbstractSpinBox*>(w->parentWidget())) continue;
            EXPECT_FALSE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty())
                << window->objectName().toStdString() << " " << w->objectName().toStdString() << " "
                << w->metaObject()->className();
        }
    }
}

TEST_F(Tform1Open, ActivationPlacesTheFrameAndColoursTheWeek) {
    form.show();
    form.FormActivate();
    // 90 % of 800 high; 90 % of 1000 would put most of the frame past the
    // screen's right edge, so it ends there.
    EXPECT_EQ(form.frameGeometry(), QRect(1000 - 635, 0, 635, 720));
    EXPECT_LT(form.height(), 720) << "the frame has borders here";
    // 6 December 2026 is in week 50; parity 1 colours odd weeks green.
    EXPECT_EQ(child<QLabel>(form, "Label3")->text(), "Week 50");
    EXPECT_TRUE(child<QLabel>(form, "Label3")->styleSheet().startsWith("color: rgb(128, 128, 128)"));
    EXPECT_EQ(form.session().viewMode(), ViewMode::TenWeeks);
    EXPECT_EQ(form.settings().backupPlace, "C:\\jotanor1.mem");
}

TEST_F(Tform1Open, TheWeekIsGreenOnlyWhenItsParityMatches) {
    struct Case {
        int parity;
        Ymd today;
        bool green;
    };
    for (Case c : {Case{0, {2026, 12, 6}, true}, Case{1, {2026, 12, 13}, true}, Case{1, {2026, 12, 6}, false},
                   Case{2, {2026, 12, 6}, false}, Case{2, {2026, 12, 13}, false}}) {
        scripted.todayDate = c.today;
        form.settings().weekParity = c.parity;
        form.FormActivate();
        EXPECT_EQ(child<QLabel>(form, "Label3")->styleSheet().startsWith("color: rgb(0, 128, 0)"), c.green)
            << c.parity << " " << c.today.day;
    }
}

TEST_F(Tform1Open, ThePlacementRoundsHalvesToEvenAndKeepsTheFrameOnTheScreen) {
    form.show();
    struct Case {
        QSize screen;
        int left, bottom;  // percent
        int x, height;     // of the frame
    };
    auto placeAt = [&](QSize screen, int left, int bottom) {
        scripted.screenSize = screen;
        form.settings().leftPercent = left;
        form.settings().bottomPercent = bottom;
        form.FormActivate();
        return form.frameGeometry();
    };
    for (const Case& c : {Case{{1025, 1010}, 10, 50, 102, 505},  // 102.5 → 102
                          Case{{1000, 800}, 200, 100, 365, 800}, Case{{1000, 800}, -10, 90, 0, 720}}) {
        const QRect frame = placeAt(c.screen, c.left, c.bottom);
        EXPECT_EQ(frame.x(), c.x) << c.left;
        EXPECT_EQ(frame.height(), c.height) << c.bottom;
    }
    // Products far beyond an int keep the frame on the screen all the same.
    EXPECT_EQ(placeAt({1000, 800}, INT_MAX, INT_MAX).left(), 365);
    EXPECT_GE(form.frameGeometry().height(), 800);
    EXPECT_EQ(placeAt({1000, 800}, INT_MIN, 90).left(), 0);
}

TEST_F(Tform1Open, ResizingKeepsTenPixelMarginsAndFortyAbove) {
    form.show();
    for (QSize size : {QSize(700, 600), QSize(900, 500)}) {
        form.resize(size);
        QWidget* client = form.centralWidget();
        EXPECT_TRUE(QTest::qWaitFor([&] { return child(form, "Panel1")->width() == client->width() - 20; }, 2000));
        EXPECT_EQ(child(form, "Panel1")->geometry(), QRect(10, 40, client->width() - 20, client->height() - 50));
    }
}

TEST_F(Tform1Open, F5TwiceReturnsToTheConfiguredPlaceAndWidth) {
    form.show();
    form.FormActivate();
    form.resize(800, form.height());
    QTest::keyClick(child(form, "ListBox1"), Qt::Key_F5);
    EXPECT_TRUE(test::child<QAction>(form, "Fullscreen1")->isChecked());
    EXPECT_TRUE(child<QAction>(form, "Fullscreen1")->isChecked());
    // The frame fills the screen, title bar and borders included.
    EXPECT_EQ(form.frameGeometry(), QRect(0, 0, 1000, 800));
    QTest::keyClick(child(form, "ListBox1"), Qt::Key_F5, Qt::ShiftModifier);  // modifiers do not matter
    EXPECT_FALSE(test::child<QAction>(form, "Fullscreen1")->isChecked());
    EXPECT_FALSE(child<QAction>(form, "Fullscreen1")->isChecked());
    EXPECT_EQ(form.frameGeometry(), QRect(365, 0, 635, 720));
    // A key that reaches the form itself works the same, once.
    QTest::keyClick(&form, Qt::Key_F5, Qt::ControlModifier);
    EXPECT_TRUE(test::child<QAction>(form, "Fullscreen1")->isChecked());
}

// Each key of the key table opens its window whatever modifier is held;
// the digits of the main keyboard open nothing.
TEST_F(Tform1Open, TheKeyCodeAloneDecides) {
    form.show();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* window;  // class of the modal window that opens, or nothing
    };
    const Case cases[] = {
        {Qt::Key_I, Qt::NoModifier, "jotanor::Tkalenderdlg"},
        {Qt::Key_I, Qt::ShiftModifier, "jotanor::Tkalenderdlg"},
        {Qt::Key_I, Qt::ControlModifier, "jotanor::Tkalenderdlg"},
        {Qt::Key_O, Qt::AltModifier, "jotanor::TOptionsdlg"},
        {Qt::Key_F1, Qt::NoModifier, "jotanor::Trtf_dlg"},
        {Qt::Key_F3, Qt::ShiftModifier, "jotanor::Tzoekdlg"},
        {Qt::Key_3, Qt::NoModifier, nullptr},
        {Qt::Key_7, Qt::ShiftModifier, nullptr},
    };
    for (const Case& c : cases) {
        QString opened;
        std::vector<test::DialogStep> answers;
        if (c.window) {
            answers.push_back([&](QDialog& modal) {
                opened = modal.metaObject()->className();
                QTest::keyClick(&modal, Qt::Key_Escape);
            });
        }
        test::withDialogs(answers, [&] { QTest::keyClick(child(form, "ListBox1"), c.key, c.modifiers); });
        QApplication::processEvents();
        EXPECT_EQ(opened, QString(c.window ? c.window : "")) << c.key << " " << c.modifiers;
    }
    EXPECT_TRUE(form.isVisible());

    // Change, copy and delete need a selected memo first.
    for (Qt::Key key : {Qt::Key_F2, Qt::Key_F4, Qt::Key_Delete}) {
        scripted.shown.clear();
        QTest::keyClick(child(form, "ListBox1"), key);
        ASSERT_EQ(scripted.shown.size(), 1u) << key;
        EXPECT_EQ(scripted.shown[0].kind, MsgKind::Information);
        EXPECT_EQ(scripted.shown[0].text, "Selecteer een memo! ");
    }
}

TEST_F(Tform1Open, EscapeClosesTheWindow) {
    form.show();
    QTest::keyClick(child(form, "ListBox1"), Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Tform1Open, EindigenClosesTheWindow) {
    form.show();
    child<QAction>(form, "Exit1")->trigger();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Tform1Open, ErrorsOfACommandAreShownWithTheirStandardText) {
    ErrorSink errors(*scripted.platform().boxes);
    EXPECT_FALSE(errors.guarded([] { throw IoError(kDiskFull, "x"); }));
    EXPECT_FALSE(errors.guarded([] { throw ConvertError("4,5"); }));
    EXPECT_FALSE(errors.guarded([] { throw DateError(); }));
    EXPECT_FALSE(errors.guarded([] { throw IoError(1117, "x"); }));
    ASSERT_EQ(scripted.shown.size(), 4u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(scripted.shown[0].text, "Disk full\nx");  // and the file's name
    EXPECT_EQ(scripted.shown[1].text, "'4,5' is not a valid integer value");
    EXPECT_EQ(scripted.shown[2].text, "Invalid argument to date encode");
    EXPECT_EQ(scripted.shown[3].text.section('\n', 0, 0), "I/O error 1117");
}

// The calendar commands: each wired to the library that does the work.
class CalendarCommands : public Tform1Open {
protected:
    std::string text(const std::filesystem::path& path) {
        const auto bytes = test::readBytes(path);
        return {bytes.begin(), bytes.end()};
    }
    void put(const std::filesystem::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    // An account whose server refuses every connection at once.
    void unreachableAccount(bool atStart) {
        put(dir.file("jotnor-agenda.cfg"), std::string("adres=http://127.0.0.1:1/anna/\ngebruiker=anna\nsync-bij-start=") +
                                                 (atStart ? "ja" : "nee") + "\n");
        scripted.passwords["anna@http://127.0.0.1:1/anna/"] = "geheim";
    }
    void waitForSync() {
        for (int i = 0; i < 1000 && form.syncRunning(); ++i) QTest::qWait(10);
        ASSERT_FALSE(form.syncRunning());
    }
    QString lastBox() const { return scripted.shown.empty() ? QString() : scripted.shown.back().text; }
};

TEST_F(CalendarCommands, ImportAddsWhatIsNewAndSaysWhatItDid) {
    put(dir.file("afspraken.ics"), "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//t//EN\nBEGIN:VEVENT\nUID:a\n"
                                   "DTSTAMP:20260101T000000Z\nDTSTART;VALUE=DATE:20261208\nSUMMARY:A\nEND:VEVENT\n"
                                   "BEGIN:VEVENT\nUID:b\nDTSTAMP:20260101T000000Z\nDTSTART;VALUE=DATE:20261209\n"
                                   "SUMMARY:B\nEND:VEVENT\nBEGIN:VTODO\nUID:t\nSUMMARY:Klusje\nEND:VTODO\nEND:VCALENDAR\n");
    scripted.openAnswers = {fromPath(dir.file("afspraken.ics")), fromPath(dir.file("afspraken.ics"))};
    trigger(form, "Importeerics1");
    EXPECT_EQ(lastBox(), "2 memo's toegevoegd, 0 al aanwezig, 1 overgeslagen, 0 ingekort");
    trigger(form, "Importeerics1");
    EXPECT_EQ(lastBox(), "0 memo's toegevoegd, 2 al aanwezig, 1 overgeslagen, 0 ingekort");
    EXPECT_EQ(form.session().file().count(), 2u);
}

TEST_F(CalendarCommands, SavingTheViewWritesTheListAsItStands) {
    MemoRecord shown{encodeDate({2026, 12, 8}), "Tandarts", "10 uur"};
    MemoRecord later{encodeDate({2028, 1, 1}), "Later", ""};
    mydata1_opbergen(form.session().file(), shown);
    mydata1_opbergen(form.session().file(), later);
    trigger(form, "tenWeeks");
    scripted.saveAnswers = {fromPath(dir.file("overzicht.ics"))};
    trigger(form, "Bewaarics1");
    EXPECT_EQ(lastBox(), "1 memo bewaard in " + fromPath(dir.file("overzicht.ics")));
    const std::string saved = text(dir.file("overzicht.ics"));
    EXPECT_NE(saved.find("SUMMARY:Tandarts"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Later"), std::string::npos) << saved;
    EXPECT_TRUE(saved.starts_with("BEGIN:VCALENDAR\r\n") && saved.ends_with("END:VCALENDAR\r\n")) << saved;
}

TEST_F(CalendarCommands, TheAccountKeepsItsPasswordInTheStoreAndTheRestBeside) {
    for (bool storeRuns : {true, false}) {
        scripted.passwordStoreRuns = storeRuns;
        scripted.passwords.clear();
        scripted.shown.clear();
        test::withDialogs({[](QDialog& d) {
                              d.findChild<QLineEdit*>("urlEdit")->setText("https://agenda.example/anna/");
                              d.findChild<QLineEdit*>("userEdit")->setText("anna");
                              d.findChild<QLineEdit*>("passwordEdit")->setText("geheim");
                              d.findChild<QCheckBox*>("atCloseBox")->setChecked(true);
                              d.findChild<QPushButton*>("OKBtn")->click();
                          }},
                          [&] { trigger(form, "Account1"); });
        EXPECT_EQ(text(dir.file("jotnor-agenda.cfg")),
                  "adres=https://agenda.example/anna/\ngebruiker=anna\nsync-bij-start=nee\nsync-bij-sluiten=ja\n");
        EXPECT_EQ(scripted.passwords.count("anna@https://agenda.example/anna/"), storeRuns ? 1u : 0u);
        // Without a store the password holds for this run only, and the user is told.
        EXPECT_EQ(scripted.shown.size(), storeRuns ? 0u : 1u);
        EXPECT_EQ(lastBox().contains("alleen zolang het programma open is"), !storeRuns) << lastBox().toStdString();
    }
}

TEST_F(CalendarCommands, AServerOutOfReachIsAQuietLineAtStartAndABoxOnSyncNow) {
    unreachableAccount(true);
    form.FormActivate();
    QTest::qWait(50);  // the sync at start begins once the window is drawn
    waitForSync();
    EXPECT_TRUE(child<QLabel>(form, "syncLine")->text().startsWith("Niet gesynchroniseerd: de server"))
        << child<QLabel>(form, "syncLine")->text().toStdString();
    EXPECT_EQ(child<QLabel>(form, "syncLine")->accessibleDescription(), child<QLabel>(form, "syncLine")->text())
        << "read by a screen reader";
    EXPECT_TRUE(scripted.shown.empty());
    trigger(form, "Synchroniseer1");
    waitForSync();
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Error);
    EXPECT_TRUE(lastBox().startsWith("Synchroniseren mislukt: de server")) << lastBox().toStdString();
}

#ifdef _WIN32
// The Credential Manager itself (Wine's, in the tests' own prefix): a password
// kept is read back whole, another account's is not there, and a new one
// replaces the old.
TEST(CredentialManager, KeepsEachAccountsPassword) {
    PasswordStore& store = systemPasswords();
    const QString key = QStringLiteral("anna@https://agenda.example/%1/").arg(QCoreApplication::applicationPid());
    EXPECT_EQ(store.read(key + "ander").status, PasswordStore::Status::NotKept);
    for (const QString& password : {QStringLiteral("geheim é€ Ω"), QStringLiteral("nieuw")}) {
        ASSERT_EQ(store.write(key, password).status, PasswordStore::Status::Ok);
        const PasswordStore::Answer answer = store.read(key);
        EXPECT_EQ(answer.status, PasswordStore::Status::Ok) << answer.problem.toStdString();
        EXPECT_EQ(answer.password, password);
    }
}
#endif

}  // namespace
}  // namespace jotanor
