// The main window: header labels, the memo list, the main menu and the key
// table. Commands are its methods; each runs through guarded(), which shows
// any file, conversion or date error in an "Error" box. It alone writes
// the main-window state: its dialogs get their values from it and give
// their answers back.
#pragma once

#include <QFont>
#include <QMainWindow>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/Dialog.h"
#include "mainwindow/core/MainState.h"
#include "mainwindow/core/Selection.h"
#include "platform/Platform.h"
#include "store/MemoFile.h"

class QAction;
class QFrame;
class QLabel;

namespace jotanor {

class MemoListBox;
class MemoListModel;
class TAboutBox;
class TOptionsdlg;
class Tauteurdlg;
class Tconfirmdlg;
class Theeljaardlg;
class Tinvoerdlg;
class Tkalenderdlg;
class Tprintdlg;
class Trtf_dlg;
class Tvanafdlg;
class Twijzigdlg;
class Txwekendlg;
class Tzoekdlg;
class MemoBlocks;
struct CalendarAnswer;
struct ViewWindow;

class Tform1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Tform1(Platform& platform, QWidget* parent = nullptr);
    ~Tform1() override;

    // ---- the window
    // The creation step. False when the user declined to create the memo
    // file: the program then ends without showing a window.
    bool FormCreate();
    // Creates the dialogs, hidden, once for the whole run.
    void createDialogs();
    void FormActivate();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The close handling; false when an error keeps the window open.
    bool FormClose();
    void Mijnfile();

    // Runs a command; an error ends it and is shown in an "Error" box.
    // Returns false when the command ended with an error.
    bool guarded(const std::function<void()>& command) { return errors_.guarded(command); }
    void showError(const std::exception& error) { errors_.show(error); }

    // The state, open to the tests that set it up and read it.
    MainState& state() { return state_; }
    MemoFile& memoFile() { return memoFile_; }
    Ymd today() const { return platform_.clock->today(); }

    // ---- views
    void aantalwekenterug(int weeksBack);
    // The from-date view of fromDate and the year view of chosenYear,
    // without asking.
    void vanaf1();
    void showYear();
    void Vanafdatum1Click();
    void Alles1Click();
    void HelebestandClick();
    void Idemvanafxwekenterug1Click();
    void Zoeken1Click();
    // Lists the memos that hold the words of searchText.
    void opgezocht1();

    // ---- records
    void Invoer1Click();
    // The entry dialog, starting from the chosen day; stores the memo.
    void invoeren();
    void Wijzigen1Click();
    void CopieF41Click();
    void Wissen1Click();
    void maakfeestdagen();
    void feestdagen(int year);
    bool mydata_exists();

    // ---- output
    void Memoaantal1Click();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // ---- the window
    void buildComponents();
    void buildMenu();
    void FormResize(int clientWidth, int clientHeight);
    void Exit1Click();
    void Fullscreen1Click();
    // Places the frame from the start position, `width` wide.
    void placeFromSettings(int width);
    void showWeekLabel();
    // The window title that names the memo file in use.
    static QString titleFor(const QString& memoPath);

    // ---- views: the header labels, the fill of ListBox1, the chime
    void setsize();
    void setTitles(const QString& title);
    std::size_t fillList(const ViewWindow& window);
    // Fills ListBox1 with the blocks `fill` appends and gives their number;
    // on a failure the list keeps the memos read before it.
    std::size_t fillList(const std::function<std::size_t(MemoBlocks&)>& fill);
    void chime();
    // Shows the view named by viewMode again.
    void reshowView();

    // ---- records
    void Kalender1Click();
    // Takes the day the calendar closed with into the state.
    void takeCalendarDay(const CalendarAnswer& answer);
    // The print dialog's day: picked in the calendar with its captions.
    DaySerial pickPrintDay(const QString& caption, const QString& buttonCaption);
    // Sets selectedIndex from the selected list line; -1 when none.
    void selectrecord1();
    // The memo shown at the selected list line.
    std::optional<ShownMemo> selectedLine() const;
    void changeOrCopy(DialogMode mode);
    void auto_update1();
    // Stores those of the memos that the memo file does not hold yet.
    void storeHolidayMemos(const std::vector<MemoRecord>& memos);

    // ---- output
    void Afdrukvaneenreeksmemos1Click();
    void backupnaar_budir();
    void Help1Click();
    void AboutVUK1Click();
    void Aboutauteur1Click();

    // ---- options
    void laadoptions();
    void saveoptions();
    void Options1Click();

    Platform& platform_;
    ErrorSink errors_;
    MainState state_;
    MemoFile memoFile_;
    bool activatedOnce_ = false;
    // An error at close was shown: the next close closes all the same.
    bool closeFailed_ = false;
    bool returnFromModeless_ = false;
    bool keyPreviewed_ = false;
    MemoRecord selectedMemo_;  // the memo selectrecord1 found
    QFont designListFont_;     // ListBox1's font when no size is set

    // Components, each with its name from the window layout as objectName.
    QLabel* todayLabel_ = nullptr;   // Label1
    QLabel* titleLabel_ = nullptr;   // Label2
    QLabel* weekLabel_ = nullptr;    // Label3
    QFrame* listPanel_ = nullptr;    // Panel1
    MemoListBox* list_ = nullptr;    // ListBox1
    MemoListModel* listModel_ = nullptr;
    QAction* fullScreenItem_ = nullptr;  // Fullscreen1

    // The dialogs, created once by createDialogs() and owned by the window.
    Tvanafdlg* fromDateDialog_ = nullptr;
    Tzoekdlg* searchDialog_ = nullptr;
    Tinvoerdlg* entryDialog_ = nullptr;
    Tconfirmdlg* deleteDialog_ = nullptr;
    Twijzigdlg* changeDialog_ = nullptr;
    TAboutBox* aboutBox_ = nullptr;
    Tkalenderdlg* calendar_ = nullptr;
    Theeljaardlg* yearDialog_ = nullptr;
    Tauteurdlg* authorWindow_ = nullptr;
    Trtf_dlg* helpWindow_ = nullptr;
    TOptionsdlg* optionsDialog_ = nullptr;
    Tprintdlg* printDialog_ = nullptr;
    Txwekendlg* weeksBackDialog_ = nullptr;
};

}  // namespace jotanor
