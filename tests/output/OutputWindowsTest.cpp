#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <functional>
#include <string>
#include <vector>

#include "mainwindow/Tform1.h"
#include "output/TAboutBox.h"
#include "output/Tauteurdlg.h"
#include "output/Trtf_dlg.h"
#include "store/Errors.h"
#include "store/MemoRecord.h"
#include "support/Child.h"
#include "support/ModalScript.h"
#include "support/UiFixture.h"

namespace jotanor {
namespace {

using test::child;

QString labelText(const QObject& window, const char* name) { return child<QLabel>(window, name)->text(); }

std::vector<unsigned char> memoBytes(int count) {
    std::vector<unsigned char> bytes;
    for (int i = 0; i < count; ++i) {
        auto r = encodeRecord(MemoRecord{46000.0 + i, "memo " + std::to_string(i), ""});
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    return bytes;
}

class OutputTest : public test::UiFixture {
protected:
    void SetUp() override {
        test::writeBytes(memoPath(), memoBytes(3));
        ASSERT_TRUE(form.FormCreate());
    }
    Tform1 form{scripted.platform()};
};

TEST_F(OutputTest, TheCountCountsEveryRecord) {
    child<QAction>(form, "Memoaantal1")->trigger();
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Information);
    EXPECT_EQ(scripted.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(scripted.shown[0].text, "Het bestand bevat 3 memo\"s");
}

TEST_F(OutputTest, ACountThatCannotReadTheFileShowsOnlyTheError) {
    std::filesystem::remove(memoPath());
    child<QAction>(form, "Memoaantal1")->trigger();
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(scripted.shown[0].text.section('\n', 0, 0), "File not found");
}

TEST_F(OutputTest, ClosingCopiesTheMemoFileAndReturnsToItsFolder) {
    const auto folder = dir.file("memos");
    std::filesystem::create_directory(folder);
    test::writeBytes(folder / "eigen.mem", memoBytes(5));
    form.session().file().setPath(folder / "eigen.mem");
    test::writeBytes(dir.file("backup.mem"), memoBytes(9));
    form.settings().backupPlace = fromPath(dir.file("backup.mem")).toStdString();

    EXPECT_TRUE(form.FormClose());
    EXPECT_EQ(test::readBytes(dir.file("backup.mem")), memoBytes(5));
    EXPECT_EQ(std::filesystem::current_path(), folder);
    EXPECT_EQ(scripted.waitCursors, 1);
    EXPECT_EQ(scripted.waitDepth, 0);
    EXPECT_TRUE(scripted.shown.empty());
}

TEST_F(OutputTest, TheDefaultPlaceIsAPlainFileNameWithoutDriveLetters) {
    form.settings().backupPlace = kDefaultBackupPlace;
    EXPECT_TRUE(form.FormClose());
    EXPECT_EQ(test::readBytes(dir.file(kDefaultBackupPlace)), memoBytes(3));
}

TEST_F(OutputTest, AnEmptyBackupPlaceMakesNoBackup) {
    form.settings().backupPlace.clear();
    const auto before = std::filesystem::current_path();
    std::filesystem::create_directory(dir.file("elders"));
    std::filesystem::current_path(dir.file("elders"));
    EXPECT_TRUE(form.FormClose());
    // Only the settings are written there; no backup is made.
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("elders")))
        written.push_back(entry.path().filename().string());
    EXPECT_EQ(written, std::vector<std::string>{"jotnor.cfg"});
    EXPECT_EQ(std::filesystem::current_path(), dir.file("elders"));
    EXPECT_EQ(scripted.waitCursors, 0);
    std::filesystem::current_path(before);
}

TEST_F(OutputTest, AFailedBackupKeepsTheWindowOpen) {
    form.settings().backupPlace = fromPath(dir.file("weg") / "backup.mem").toStdString();
    std::filesystem::create_directory(dir.file("elders"));
    std::filesystem::current_path(dir.file("elders"));
    form.show();
    form.close();
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(scripted.shown[0].text.section('\n', 0, 0), QString::fromStdString(IoError::standardText(test::kMissingFolderCode)));
    EXPECT_TRUE(scripted.shown[0].text.contains("backup.mem\nDe backup is niet gemaakt.")) << scripted.shown[0].text.toStdString();
    EXPECT_EQ(std::filesystem::current_path(), dir.file("elders"));
    EXPECT_EQ(scripted.waitDepth, 0);

    // With a usable place the next close goes through.
    form.settings().backupPlace = fromPath(dir.file("backup.mem")).toStdString();
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(test::readBytes(dir.file("backup.mem")), memoBytes(3));
}

TEST_F(OutputTest, ABackupPlaceThatIsTheMemoFileKeepsItsRecords) {
    form.settings().backupPlace = fromPath(memoPath()).toStdString();
    EXPECT_TRUE(form.FormClose());
    EXPECT_EQ(test::readBytes(memoPath()), memoBytes(3));
}

class HelpTest : public OutputTest {
protected:
    // Opens the help window, reads what it shows and closes it with `key`.
    QString openHelp() {
        QString shown;
        test::withDialog<Trtf_dlg>(
            [&shown](Trtf_dlg& help) {
                shown = child<QTextEdit>(help, "RichEdit1")->toPlainText();
                QTest::keyClick(child(help, "RichEdit1"), Qt::Key_Escape);
                EXPECT_FALSE(help.isVisible());
            },
            [this] { child<QAction>(form, "help1")->trigger(); });
        return shown;
    }
    void writeHelp(const std::string& rtf) {
        test::writeBytes(dir.file("memohelp.rtf"), std::vector<unsigned char>(rtf.begin(), rtf.end()));
    }
};

TEST_F(HelpTest, ShowsTheFileOnceHoweverOftenItOpens) {
    writeHelp(R"({\rtf1 Eerste regel\par\b Vet\b0  en caf\'e9\par})");
    EXPECT_EQ(openHelp(), "Eerste regel\nVet en café");
    EXPECT_EQ(openHelp(), "Eerste regel\nVet en café");
    EXPECT_FALSE(child(form, "rtf_dlg")->isVisible());

    auto* text = child<QTextEdit>(child<Trtf_dlg>(form, "rtf_dlg"), "RichEdit1");
    QTextBlock second = text->document()->findBlockByNumber(1);
    EXPECT_EQ(second.begin().fragment().text(), "Vet");
    EXPECT_EQ(second.begin().fragment().charFormat().fontWeight(), QFont::Bold);
}

TEST_F(HelpTest, IsReadAgainAtEachOpeningAndKeptWhenTheFileIsGone) {
    writeHelp(R"({\rtf1 oud})");
    EXPECT_EQ(openHelp(), "oud");
    writeHelp(R"({\rtf1 nieuw})");
    EXPECT_EQ(openHelp(), "nieuw");
    std::filesystem::remove(dir.file("memohelp.rtf"));
    EXPECT_EQ(openHelp(), "nieuw");
    EXPECT_TRUE(scripted.shown.empty());
}

TEST_F(HelpTest, TheWindowAndItsAfsluitenMenu) {
    writeHelp(R"({\rtf1 tekst})");
    test::withDialog<Trtf_dlg>([](Trtf_dlg& dialog) {
        Trtf_dlg* help = &dialog;
        EXPECT_EQ(help->windowTitle(), "Toelichting");
        EXPECT_EQ(child<QAction>(help, "Afsluiten1")->text(), "Afsluiten");
        EXPECT_EQ(child<QTextEdit>(help, "RichEdit1")->document()->defaultFont().family(), "Courier New");
        EXPECT_EQ(child<QTextEdit>(help, "RichEdit1")->document()->defaultFont().pointSize(), 9);
        child<QAction>(help, "Afsluiten1")->trigger();
        EXPECT_FALSE(help->isVisible());
    }, [this] { QTest::keyClick(&form, Qt::Key_F1); });
    EXPECT_FALSE(child(form, "rtf_dlg")->isVisible());
}

TEST_F(OutputTest, TheAboutBoxIsNotModalAndItsMascotSpeaks) {
    child<QAction>(form, "AboutVUK1")->trigger();
    TAboutBox* about = child<TAboutBox>(form, "AboutBox");
    ASSERT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(child(about, "ProgramIcon")->toolTip(), "Ik ben het VUK-mannetje\n           Klik mij...");
    EXPECT_FALSE(child<QLabel>(about, "ProgramIcon")->pixmap().isNull());
    EXPECT_EQ(labelText(*about, "Label2"), "V . U . K. ");
    EXPECT_EQ(labelText(*about, "Version"), "Versie 2.0");

    QTest::mouseClick(child(about, "ProgramIcon"), Qt::LeftButton);
    scripted.soundWorks = false;
    QTest::mouseClick(child(about, "ProgramIcon"), Qt::LeftButton);
    QTest::keyClick(child(about, "ProgramIcon"), Qt::Key_Space);  // the keyboard's click
    EXPECT_EQ(scripted.played, (std::vector<QString>{"vukman.wav", "vukman.wav", "vukman.wav"}));
    EXPECT_TRUE(scripted.shown.empty());
    EXPECT_TRUE(about->isVisible());

    // Clicks on the labels do nothing; one on the panel closes the box.
    QTest::mouseClick(child(about, "Label6"), Qt::LeftButton);
    QTest::mouseClick(child(about, "M"), Qt::LeftButton);
    EXPECT_TRUE(about->isVisible());
    QTest::mouseClick(child(about, "Panel1"), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FALSE(about->isVisible());

    child<QAction>(form, "AboutVUK1")->trigger();
    child<QAction>(form, "AboutVUK1")->trigger();  // already open: it only comes to the front
    EXPECT_TRUE(about->isVisible());
    QTest::keyClick(about, Qt::Key_Escape);
    EXPECT_FALSE(about->isVisible());
}

TEST_F(OutputTest, ReturningFromTheAboutBoxRunsTheActivationStepAgain) {
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&form, &activate);  // the first activation
    child<QLabel>(form, "Label3")->setText("x");
    QApplication::sendEvent(&form, &activate);  // back from a modal dialog: nothing
    EXPECT_EQ(labelText(form, "Label3"), "x");

    child<QAction>(form, "AboutVUK1")->trigger();
    QApplication::sendEvent(child<TAboutBox>(form, "AboutBox"), &activate);
    QApplication::sendEvent(&form, &activate);
    EXPECT_EQ(labelText(form, "Label3"), "Week " + QString::number(weeknummer(form.session().today())));
}

TEST_F(OutputTest, TheAuthorWindowClosesOnAClickOnItselfOnly) {
    test::withDialog<Tauteurdlg>([](Tauteurdlg& dialog) {
        Tauteurdlg* author = &dialog;
        EXPECT_EQ(author->windowTitle(), "Auteur");
        EXPECT_EQ(author->size(), QSize(138, 220));
        EXPECT_EQ(author->palette().color(QPalette::Window), QColor(0, 128, 0));
        EXPECT_EQ(labelText(*author, "Label1"), "V.U.K. is er voor plezier");
        EXPECT_EQ(labelText(*author, "Label2"), "met Uw computer.");
        EXPECT_EQ(child<QLabel>(author, "Image1")->pixmap().size(), QSize(119, 144));
        QTest::mouseClick(child(author, "Image1"), Qt::LeftButton);
        QTest::mouseClick(child(author, "Label1"), Qt::LeftButton);
        EXPECT_TRUE(author->isVisible());
        QTest::mouseClick(author, Qt::LeftButton, {}, QPoint(2, 215));
        EXPECT_FALSE(author->isVisible());
    }, [this] { child<QAction>(form, "Aboutauteur1")->trigger(); });

    test::withDialog<Tauteurdlg>([](Tauteurdlg& author) {
        QTest::keyClick(&author, Qt::Key_Escape);
        EXPECT_FALSE(author.isVisible());
    }, [this] { child<QAction>(form, "Aboutauteur1")->trigger(); });
}

}  // namespace
}  // namespace jotanor
