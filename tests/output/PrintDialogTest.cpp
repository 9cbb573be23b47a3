#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <functional>

#include "calendar/Tkalenderdlg.h"
#include "widgets/SpinEdit.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Tvanafdlg.h"
#include "output/Tprintdlg.h"
#include "store/MemoRecord.h"
#include "support/Child.h"
#include "support/ModalScript.h"
#include "support/UiFixture.h"

namespace jotanor {
namespace {

using test::child;

QPushButton* button(const QObject* window, const char* name) { return child<QPushButton>(window, name); }

const Ymd kFirst{2026, 12, 1};
const Ymd kLast{2026, 12, 2};

class PrintTest : public test::UiFixture {
protected:
    void SetUp() override {
        std::vector<unsigned char> bytes;
        for (const MemoRecord& m : std::vector<MemoRecord>{{encodeDate(kFirst), "tandarts", "om 9 uur"},
                                                           {encodeDate(kFirst), "boodschappen", ""},
                                                           {encodeDate(kLast), "verjaardag", ""}}) {
            auto r = encodeRecord(m);
            bytes.insert(bytes.end(), r.begin(), r.end());
        }
        test::writeBytes(memoPath(), bytes);
        ASSERT_TRUE(form.FormCreate());
    }

    // Presses `day` in whichever of the calendar's four grids shows it.
    static void pressDay(Tkalenderdlg& calendar, const Ymd& day) {
        for (int k = 1; k <= 4; ++k) {
            auto* grid = child<MonthGridWidget>(calendar, QString("StringGrid%1").arg(k));
            if (grid->grid().month() != MonthOfYear{day.year, day.month}) continue;
            for (int row = 1; row < MonthGrid::kRows; ++row)
                for (int column = 1; column < MonthGrid::kColumns; ++column)
                    if (grid->grid().day(row, column) == day.day) {
                        QTest::mouseClick(grid, Qt::LeftButton, {}, grid->cellOrigin(row, column) + QPoint(17, 8));
                        return;
                    }
        }
        ADD_FAILURE() << "the calendar does not show the day";
    }

    // Clicks the print dialog's date button and, in the calendar it opens,
    // chooses `day` and confirms it.
    void chooseInCalendar(Tprintdlg& dialog, const Ymd& day, std::function<void(Tkalenderdlg*)> check = {}) {
        test::withDialog<Tkalenderdlg>(
            [&](Tkalenderdlg& calendar) {
                if (check) check(&calendar);
                pressDay(calendar, day);
                QTest::mouseClick(child(calendar, "invoerbtn"), Qt::LeftButton);
            },
            [&] { QTest::mouseClick(child(dialog, "Button1"), Qt::LeftButton); });
    }

    // Opens the print dialog with the menu and runs `step` in it.
    void inPrintDialog(const std::function<void(Tprintdlg*)>& step) {
        test::withDialog<Tprintdlg>([&](Tprintdlg& dialog) { step(&dialog); },
                                    [this] { child<QAction>(form, "Afdrukvaneenreeksmemos1")->trigger(); });
    }

    // Opens the print dialog, picks both dates and ends with `finish`.
    void printRange(const Ymd& first, const Ymd& last, std::function<void(Tprintdlg*)> finish) {
        inPrintDialog([&](Tprintdlg* dialog) {
            chooseInCalendar(*dialog, first);
            chooseInCalendar(*dialog, last);
            finish(dialog);
        });
    }

    Tform1 form{scripted.platform()};
};

TEST_F(PrintTest, TheDialogGoesThroughItsTwoStepsAndPrintsTheRange) {
    inPrintDialog([this](Tprintdlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Printen van een opeenvolgende reeks memo's ");
        // The buttons stand at the foot, where they stay when the boxes appear.
        EXPECT_EQ(dialog->size(), QSize(482, 346));
        const QRect buttons = child(dialog, "Button1")->geometry().united(child(dialog, "Button3")->geometry());
        EXPECT_GT(buttons.top(), 346 - 60);
        auto buttonsStay = [&] {
            EXPECT_EQ(child(dialog, "Button1")->geometry().united(child(dialog, "Button3")->geometry()), buttons);
        };
        EXPECT_EQ(button(dialog, "Button1")->text(), "Kies de eerste datum van de reeks");
        EXPECT_FALSE(child(dialog, "GroupBox1")->isVisible());
        EXPECT_FALSE(child(dialog, "GroupBox2")->isVisible());
        EXPECT_FALSE(child(dialog, "okbtn")->isEnabled());

        chooseInCalendar(*dialog, kFirst, [](Tkalenderdlg* calendar) {
            EXPECT_EQ(calendar->windowTitle(), "Kies de begindatum voor de te printen serie");
            EXPECT_EQ(button(calendar, "invoerbtn")->text(), "Begindatum OK");
            EXPECT_FALSE(child(calendar, "vanafbtn")->isEnabled());
        });
        EXPECT_TRUE(child(dialog, "GroupBox1")->isVisible());
        EXPECT_EQ(child<QPlainTextEdit>(dialog, "Memo1")->toPlainText(),
                  "dinsdag,  1-12-2026\ntandarts\nom 9 uur\n------------------\nboodschappen\n------------------");
        EXPECT_EQ(button(dialog, "Button1")->text(), "Kies de laatste datum van de reeks");
        EXPECT_FALSE(child(dialog, "okbtn")->isEnabled());
        buttonsStay();

        chooseInCalendar(*dialog, kLast, [](Tkalenderdlg* calendar) {
            EXPECT_EQ(calendar->windowTitle(), "Kies de einddatum voor de te printen serie");
            EXPECT_EQ(button(calendar, "invoerbtn")->text(), "Einddatum OK");
        });
        EXPECT_TRUE(child(dialog, "GroupBox2")->isVisible());
        EXPECT_EQ(child<QPlainTextEdit>(dialog, "Memo2")->toPlainText(),
                  "woensdag,  2-12-2026\nverjaardag\n------------------");
        EXPECT_FALSE(child(dialog, "Button1")->isEnabled());
        EXPECT_TRUE(child(dialog, "okbtn")->isEnabled());
        buttonsStay();

        QTest::keyClick(dialog, Qt::Key_Escape);  // no key of its own
        EXPECT_TRUE(dialog->isVisible());
        QTest::mouseClick(child(dialog, "okbtn"), Qt::LeftButton);
    });

    EXPECT_EQ(scripted.documentsBegun, 1);
    EXPECT_EQ(scripted.documentsEnded, 1);
    // 300 dpi: a 9-point character is 38 pixels, a line 43.
    ASSERT_EQ(scripted.printed.size(), 11u);
    EXPECT_EQ(scripted.printed[0].text, "Memo-overzicht van dinsdag,  1-12-2026 t/m woensdag,  2-12-2026");
    EXPECT_EQ(scripted.printed[0].font, "courier new 11 bold underline");
    EXPECT_EQ(QPoint(scripted.printed[0].x, scripted.printed[0].y), QPoint(50, 129));
    EXPECT_EQ(scripted.printed[1].font, "courier new 9");
    EXPECT_EQ(QPoint(scripted.printed[2].x, scripted.printed[2].y), QPoint(100, 301));
    EXPECT_EQ(scripted.printed[10].text, "------------------");
    EXPECT_EQ(scripted.printed[10].y, 43 * 15);
}

TEST_F(PrintTest, CancelPrintsNothingAndTheNextOpeningStartsAgain) {
    printRange(kFirst, kLast, [](Tprintdlg* dialog) { QTest::mouseClick(child(dialog, "Button3"), Qt::LeftButton); });
    EXPECT_EQ(scripted.documentsBegun, 0);

    inPrintDialog([](Tprintdlg* dialog) {
        EXPECT_EQ(button(dialog, "Button1")->text(), "Kies de eerste datum van de reeks");
        EXPECT_TRUE(child(dialog, "Button1")->isEnabled());
        EXPECT_FALSE(child(dialog, "GroupBox1")->isVisible());
        EXPECT_FALSE(child(dialog, "GroupBox2")->isVisible());
        EXPECT_FALSE(child(dialog, "okbtn")->isEnabled());
        dialog->reject();
    });

    // The days were chosen in the calendar: the from-date dialog starts from the last one.
    QString start;
    test::withDialog<Tvanafdlg>(
        [&](Tvanafdlg& d) {
            for (const char* spin : {"SpinEdit3", "SpinEdit2", "SpinEdit1"})
                start += QString::number(child<SpinEdit>(d, spin)->value()) + " ";
        },
        [this] { test::trigger(form, "Vanafeendatum1"); });
    EXPECT_EQ(start, "2 12 2026 ");
}

// Without a printer the message stays, and the same pages can go into a PDF
// file chosen in a file dialog; No or Cancel prints nothing.
TEST_F(PrintTest, WithoutAPrinterThePagesCanGoIntoAPdfFile) {
    scripted.hasPrinter = false;
    const QString pdf = fromPath(dir.file("overzicht.pdf"));
    struct Case {
        MsgResult answer;
        std::optional<QString> file;
        std::size_t printed;
    };
    for (const Case& c : {Case{MsgResult::No, pdf, 0}, Case{MsgResult::Yes, std::nullopt, 0}, Case{MsgResult::Yes, pdf, 11}}) {
        scripted.shown.clear();
        scripted.printed.clear();
        scripted.answers = {c.answer};
        scripted.saveAnswers = {c.file};
        printRange(kFirst, kLast, [](Tprintdlg* dialog) { QTest::mouseClick(child(dialog, "okbtn"), Qt::LeftButton); });
        ASSERT_EQ(scripted.shown.size(), 1u);
        EXPECT_EQ(scripted.shown[0].kind, MsgKind::Confirmation);
        EXPECT_EQ(scripted.shown[0].text, "Standaardprinter niet gevonden.\nAfdrukken in een PDF-bestand ?");
        EXPECT_EQ(scripted.printed.size(), c.printed);
    }
    EXPECT_EQ(scripted.pdfDocuments, std::vector<QString>{pdf});
    EXPECT_EQ(scripted.documentsEnded, 1);
    EXPECT_GT(std::filesystem::file_size(dir.file("overzicht.pdf")), 0u);
    EXPECT_EQ(scripted.printed[0].text, "Memo-overzicht van dinsdag,  1-12-2026 t/m woensdag,  2-12-2026");
}

TEST_F(PrintTest, AMemoFileThatCannotBeReadDropsTheDocument) {
    printRange(kFirst, kLast, [this](Tprintdlg* dialog) {
        std::filesystem::remove(memoPath());
        QTest::mouseClick(child(dialog, "okbtn"), Qt::LeftButton);
    });
    EXPECT_EQ(scripted.documentsBegun, 1);
    EXPECT_EQ(scripted.documentsAborted, 1);
    EXPECT_EQ(scripted.documentsEnded, 0);
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].text.section('\n', 0, 0), "File not found");
}

// One word of `pdftotext -bbox` output.
struct PdfWord {
    QString text;
    double x;
    double y;
};

std::vector<PdfWord> pdfWords(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-bbox", pdf, "-"});
    p.waitForFinished(30000);
    std::vector<PdfWord> words;
    const QRegularExpression word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re");
    auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput()));
    while (it.hasNext()) {
        auto m = it.next();
        words.push_back({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    // Reading order: line by line, left to right.
    std::sort(words.begin(), words.end(), [](const PdfWord& a, const PdfWord& b) {
        return std::abs(a.y - b.y) > 0.5 ? a.y < b.y : a.x < b.x;
    });
    return words;
}

TEST_F(PrintTest, ARangePrintedIntoAPdfReadsBackAsLaidOut) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    scripted.pdfFile = fromPath(dir.file("afdruk.pdf"));
    printRange(kFirst, kLast, [](Tprintdlg* dialog) { QTest::mouseClick(child(dialog, "okbtn"), Qt::LeftButton); });
    ASSERT_TRUE(scripted.shown.empty());

    const auto words = pdfWords(scripted.pdfFile);
    QStringList texts;
    for (const auto& w : words) texts << w.text;
    EXPECT_EQ(texts.join(' '),
              "Memo-overzicht van dinsdag, 1-12-2026 t/m woensdag, 2-12-2026 "
              "dinsdag, 1-12-2026 tandarts om 9 uur ------------------ "
              "dinsdag, 1-12-2026 boodschappen ------------------ "
              "woensdag, 2-12-2026 verjaardag ------------------");
    ASSERT_GE(words.size(), 12u);
    // In points (1/72 inch) at 300 dpi: the memo text stands 50 pixels right
    // of the date, and lines are 5 + 38 pixels apart (9 points is 37.5).
    const PdfWord& date = words[7];
    const PdfWord& line1 = words[9];
    const PdfWord& line2 = words[10];
    EXPECT_EQ(date.text, "dinsdag,");
    EXPECT_EQ(line1.text, "tandarts");
    EXPECT_NEAR(line1.x - date.x, 50 * 72.0 / 300, 0.3);
    EXPECT_NEAR(line2.y - line1.y, 43 * 72.0 / 300, 0.3);
    EXPECT_NEAR(date.y - words[0].y, 43 * 3 * 72.0 / 300, 1.5);
}

TEST_F(PrintTest, MemosBeyondTheFirstPageArePrintedOnFurtherPages) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    std::vector<MemoRecord> memos;
    for (int i = 1; i <= 150; ++i) memos.push_back({encodeDate(kFirst), "memo" + std::to_string(i), ""});
    test::writeMemos(memoPath(), memos);
    scripted.pdfFile = fromPath(dir.file("afdruk.pdf"));
    printRange(kFirst, kFirst, [](Tprintdlg* dialog) { QTest::mouseClick(child(dialog, "okbtn"), Qt::LeftButton); });
    ASSERT_TRUE(scripted.shown.empty());

    QProcess p;
    p.start("pdftotext", {scripted.pdfFile, "-"});
    p.waitForFinished(30000);
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split('\f', Qt::SkipEmptyParts);
    pages.removeIf([](const QString& page) { return page.trimmed().isEmpty(); });
    ASSERT_GT(pages.size(), 2);
    // Every page under the header; every memo once, in order.
    QStringList printed, expected;
    for (const QString& page : pages) {
        EXPECT_TRUE(page.startsWith("Memo-overzicht van ")) << page.toStdString();
        auto it = QRegularExpression(R"(memo\d+)").globalMatch(page);
        while (it.hasNext()) printed << it.next().captured();
    }
    for (const MemoRecord& m : memos) expected << QString::fromStdString(m.line1);
    EXPECT_EQ(printed, expected);
}

}  // namespace
}  // namespace jotanor
