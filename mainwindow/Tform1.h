// The main window: header labels, the memo list, and one action per command
// that carries its key and fills the menu. It asks the user, calls the
// diary's session and commands, and shows their results; each command runs
// through guarded(), which shows any file, conversion or date error in an
// "Error" box.
#pragma once

#include <QFont>
#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "widgets/Dialog.h"
#include "diary/CalendarAccount.h"
#include "diary/Selection.h"
#include "diary/Session.h"
#include "mainwindow/Twijzigdlg.h"
#include "platform/Platform.h"
#include "store/Settings.h"

class QAction;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

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
class Txwekendlg;
class Tzoekdlg;
class SyncRunner;
struct SyncOutcome;
struct CalendarAnswer;

class Tform1 : public QMainWindow {
    Q_OBJECT

public:
    // Builds the window with its menu and its dialogs, hidden.
    explicit Tform1(Platform& platform, QWidget* parent = nullptr);
    ~Tform1() override;

    // The creation step, on `memoFile` when it is given and can be opened.
    // False when the user declined to create the memo file: the program
    // then ends without showing a window.
    bool FormCreate(const std::optional<std::filesystem::path>& memoFile = std::nullopt);
    // The activation step: the holiday memos, the settings, the ten weeks.
    void FormActivate();
    // The close handling; false when an error keeps the window open.
    bool FormClose();

    // Shows an error in an "Error" box, as every command does.
    void showError(const std::exception& error) { errors_.show(error); }

    // The session on the memo file that the window shows, and the settings.
    Session& session() { return session_; }
    Settings& settings() { return settings_; }
    // Whether a sync runs, on its own thread.
    bool syncRunning() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs a command; an error ends it and is shown in an "Error" box.
    // Returns false when the command ended with an error.
    bool guarded(const std::function<void()>& command) { return errors_.guarded(command); }
    Ymd today() const { return session_.today(); }

    // ---- the window
    void buildComponents();
    void buildMenu();
    void createDialogs();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormResize(int clientWidth, int clientHeight);
    void Exit1Click();
    void Fullscreen1Click();
    void Mijnfile();
    // Whether the memo file opens for writing, only for reading, or not at all.
    enum class Access { Writable, ReadOnly, Missing };
    Access memoAccess();
    // The window title for the memo file in use, read-only or not.
    void showFileInTitle();
    // False, with the user told why, when the memo file can only be read:
    // asked before a change is typed.
    bool mayChange();
    // Places the frame from the start position, `width` wide.
    void placeFromSettings(int width);
    void showWeekLabel();
    // The window title that names the memo file in use.
    static QString titleFor(const QString& memoPath);

    // ---- views: the header labels, the fill of ListBox1, the chime
    void aantalwekenterug(int weeksBack);
    void tenWeeks() { aantalwekenterug(0); }
    // The from-date view of the session's from-date, without asking.
    void vanaf1(DaySerial from);
    void Vanafdatum1Click();
    void Alles1Click();
    void HelebestandClick();
    void Idemvanafxwekenterug1Click();
    void Zoeken1Click();
    // Lists the memos that hold the words of `text`.
    void opgezocht1(const std::string& text);
    void setsize();
    void setTitles(const QString& title);
    // Fills ListBox1 with the blocks `fill` appends and gives their number;
    // on a failure the list keeps the memos read before it.
    std::size_t fillList(const std::function<std::size_t(MemoBlocks&)>& fill);
    void chime();
    // Shows the view named by the session's view mode again.
    void reshowView();

    // ---- records
    void Invoer1Click();
    // The entry dialog, starting from the chosen day; stores the memo.
    void invoeren();
    void Wijzigen1Click();
    void CopieF41Click();
    void Wissen1Click();
    // Takes the day the calendar closed with into the session.
    void takeCalendarDay(const CalendarAnswer& answer);
    // The print dialog's day: picked in the calendar with its captions.
    DaySerial pickPrintDay(const QString& caption, const QString& buttonCaption);
    // The memo at the selected list line, found in the memo file; nothing
    // (and the user told why) when there is none.
    std::optional<MemoRef> selectrecord1();
    // The memo shown at the selected list line.
    std::optional<ShownMemo> selectedLine() const;
    void changeOrCopy(DialogMode mode);
    void auto_update1();

    // ---- output
    void Afdrukvaneenreeksmemos1Click();
    void backupnaar_budir();
    void Memoaantal1Click();
    void Help1Click();
    void AboutVUK1Click();
    void Aboutauteur1Click();

    // ---- calendars: import, export, sync and the calendar account
    void Importeerics1Click();
    void Bewaarics1Click();
    void Synchroniseer1Click();
    void Account1Click();
    void buildSyncStatus();
    // The status line under the list; `busy` shows the progress and "Stoppen".
    void sayAboutSync(const QString& line, bool busy = false);
    void loadAccount();
    void syncAtStart();
    // `quiet`: trouble goes to the status line, not into a box.
    void startSync(bool quiet);
    void syncFinished(const SyncOutcome& outcome);
    // The password for a sync (nothing inside: none needed); nothing when
    // the user gave none.
    std::optional<std::optional<std::string>> syncPassword(bool quiet);
    // The sync at close, and the wait for a running one; false when it is
    // still running.
    bool syncBeforeClose();
    static QString tryAccount(const CalendarAccount& account, const QString& password);

    // ---- options
    void laadoptions();
    void saveoptions();
    void Options1Click();

    Platform& platform_;
    ErrorSink errors_;
    Session session_;
    Settings settings_;
    bool fullScreen_ = false;
    bool activatedOnce_ = false;
    // An error at close was shown: the next close closes all the same.
    bool closeFailed_ = false;
    bool returnFromModeless_ = false;
    bool keyPreviewed_ = false;
    QFont designListFont_;  // ListBox1's font when no size is set

    // Components, each with its name from the window layout as objectName.
    QLabel* todayLabel_ = nullptr;   // Label1
    QLabel* titleLabel_ = nullptr;   // Label2
    QLabel* weekLabel_ = nullptr;    // Label3
    QFrame* listPanel_ = nullptr;    // Panel1
    MemoListBox* list_ = nullptr;    // ListBox1
    MemoListModel* listModel_ = nullptr;
    QAction* fullScreenItem_ = nullptr;  // Fullscreen1

    // The dialogs, made with the window and owned by it.
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

    // The calendar account and its sync.
    CalendarAccount account_;
    SyncRunner* syncRunner_ = nullptr;
    std::optional<QString> runPassword_;  // kept for this run only
    bool startSyncChecked_ = false;
    bool syncQuiet_ = false;
    std::filesystem::file_time_type memoFileBeforeSync_{};
    bool deniedShown_ = false;  // a refused password was told once
    bool closing_ = false;
    QLabel* syncLine_ = nullptr;
    QProgressBar* syncProgress_ = nullptr;
    QPushButton* stopSyncButton_ = nullptr;
};

}  // namespace jotanor
