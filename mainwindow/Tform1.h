// The main window: header labels, the memo list, the main menu and the key
// table. Commands are its methods; each runs through guarded(), which shows
// any file, conversion or date error in an "Error" box.
#pragma once

#include <QFont>
#include <QMainWindow>
#include <functional>
#include <string>
#include <vector>

#include "mainwindow/core/MainState.h"
#include "mainwindow/MemoListBox.h"
#include "mainwindow/core/Selection.h"
#include "platform/Platform.h"
#include "store/MemoFile.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;

namespace jotanor {

class Tvanafdlg;
class Tzoekdlg;
class Tinvoerdlg;
class Tconfirmdlg;
class Twijzigdlg;
class TAboutBox;
class Tkalenderdlg;
class Theeljaardlg;
class Tauteurdlg;
class Trtf_dlg;
class TOptionsdlg;
class Tprintdlg;
class Txwekendlg;
class MemoListModel;
struct ViewWindow;

class Tform1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Tform1(Platform& platform, QWidget* parent = nullptr);
    ~Tform1() override;

    // The creation step. False when the user declined to create the memo
    // file: the program then ends without showing a window.
    bool FormCreate();
    // Creates the dialogs, hidden, once for the whole run.
    void createDialogs();

    void FormActivate();
    void FormResize(int clientWidth, int clientHeight);
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The close handling; false when an error keeps the window open.
    bool FormClose();
    void Exit1Click();
    void Fullscreen1Click();
    void setsize();
    void Mijnfile();

    // Commands of the other subsystems.
    void aantalwekenterug(int weeksBack);
    void vanaf1();
    void Vanafdatum1Click();
    void Alles1Click();
    // The year view of chosenYear, without asking.
    void toonjaar();
    void HelebestandClick();
    void Idemvanafxwekenterug1Click();
    void maakfeestdagen();
    void feestdagen(int year);
    bool mydata_exists();
    void auto_update1();
    void laadoptions();
    void saveoptions();
    void backupnaar_budir();
    void Zoeken1Click();
    void Invoer1Click();
    void Kalender1Click();
    void invoeren();
    void Wijzigen1Click();
    void CopieF41Click();
    void Copieren1Click();
    void Wissen1Click();
    // Sets selectedIndex from the selected list line; -1 when none.
    void selectrecord1();
    // Lists the memos that hold the words of searchText.
    void opgezocht1();
    void Options1Click();
    void Help1Click();
    void AboutVUK1Click();
    void Aboutauteur1Click();
    void Afdrukvaneenreeksmemos1Click();
    void Memoaantal1Click();

    // Runs a command; an error ends it and is shown in an "Error" box.
    // Returns false when the command ended with an error.
    bool guarded(const std::function<void()>& command);
    void showError(const std::exception& error);

    // The About box calls this when it becomes active, so that returning to
    // the main window runs the activation step again.
    void modelessWindowActivated() { returnFromModeless_ = true; }

    MainState& state() { return state_; }
    MemoFile& memoFile() { return memoFile_; }
    Platform& platform() { return platform_; }
    Ymd today() const { return platform_.clock->today(); }

    // The window title that names the memo file in use.
    static QString titleFor(const QString& memoPath);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildComponents();
    void buildMenu();
    // Places the frame from the start position, `width` wide.
    void placeFromSettings(int width);
    void showWeekLabel();
    // List views: the header labels, the fill of ListBox1, the chime.
    void setTitles(const std::string& title);
    std::size_t fillList(const ViewWindow& window);
    void chime();
    // Stores those of the memos that the memo file does not hold yet.
    void storeMissing(const std::vector<MemoRecord>& memos);

    Platform& platform_;
    MainState state_;
    MemoFile memoFile_;
    bool activatedOnce_ = false;
    bool returnFromModeless_ = false;
    bool keyPreviewed_ = false;

public:
    // Components, named as in the window layout.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QFrame* Panel1 = nullptr;
    MemoListBox* ListBox1 = nullptr;
    MemoListModel* listModel = nullptr;  // the rows of ListBox1

    QMenu* File1 = nullptr;
    QMenu* Beeld1 = nullptr;
    QMenu* Show1 = nullptr;
    QMenu* Help = nullptr;
    QAction* Afdrukvaneenreeksmemos1 = nullptr;
    QAction* Mijnfile1 = nullptr;
    QAction* Memoaantal1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Fullscreen1 = nullptr;
    QAction* Idemvanafxwekenterug1 = nullptr;
    QAction* Vanafeendatum1 = nullptr;
    QAction* Alles1 = nullptr;
    QAction* Helebestand = nullptr;
    QAction* Zoeken1 = nullptr;
    QAction* Invoer1 = nullptr;
    QAction* Wijzigen1 = nullptr;
    QAction* CopieF41 = nullptr;
    QAction* Wissen1 = nullptr;
    QAction* Options1 = nullptr;
    QAction* help1 = nullptr;
    QAction* AboutVUK1 = nullptr;
    QAction* Aboutauteur1 = nullptr;

    // The dialogs, created once by createDialogs() and owned by the window.
    Tvanafdlg* vanafdlg = nullptr;
    Tzoekdlg* zoekdlg = nullptr;
    Tinvoerdlg* invoerdlg = nullptr;
    Tconfirmdlg* confirmdlg = nullptr;
    Twijzigdlg* wijzigdlg = nullptr;
    TAboutBox* AboutBox = nullptr;
    Tkalenderdlg* kalenderdlg = nullptr;
    Theeljaardlg* heeljaardlg = nullptr;
    Tauteurdlg* auteurdlg = nullptr;
    Trtf_dlg* rtf_dlg = nullptr;
    TOptionsdlg* Optionsdlg = nullptr;
    Tprintdlg* printdlg = nullptr;
    Txwekendlg* xwekendlg = nullptr;

private:
    // Record commands: the memo shown at the selected list line, the change
    // and copy command, and the re-show of the view named by viewMode.
    std::optional<ShownMemo> gekozenMemo() const;
    void wijzigOfCopieer(const char* mode);
    void toonOpnieuw();

    MemoRecord geselecteerd_;  // the memo selectrecord1 found
    QFont designListFont_;     // ListBox1's font when no size is set
};

}  // namespace jotanor
