// The main window: the memo list panel, the Agenda panel, and one action per
// command that carries its key and fills the menu. It asks the user, calls
// the diary's session and commands, and shows their results; each command
// runs guarded, so any file, conversion or date error shows in an "Error"
// box.
#pragma once

#include <QMainWindow>
#include <filesystem>
#include <optional>
#include <string>

#include "widgets/Dialog.h"
#include "diary/Selection.h"
#include "diary/Session.h"
#include "mainwindow/Twijzigdlg.h"
#include "platform/Platform.h"
#include "store/Settings.h"

class QAction;

namespace jotanor {

class AgendaPanel;
class MemoListPanel;
class TAboutBox;
class TOptionsdlg;
class Tkalenderdlg;
class Trtf_dlg;

class Tform1 : public QMainWindow {
    Q_OBJECT

public:
    // Builds the window with its menu, its list and the Agenda panel, hidden.
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
    // ---- the window
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormResize(int clientWidth, int clientHeight);
    void Exit1Click();
    void Fullscreen1Click();
    void Mijnfile();
    // False, with the user told why, when the memo file can only be read:
    // asked before a change is typed.
    bool mayChange();

    // ---- records
    void Invoer1Click();
    // The entry dialog, starting from the chosen day; stores the memo.
    void invoeren();
    void Wijzigen1Click();
    void CopieF41Click();
    void Wissen1Click();
    // The memo at the selected list line, found in the memo file; nothing
    // (and the user told why) when there is none.
    std::optional<MemoRef> selectrecord1();
    void changeOrCopy(DialogMode mode);
    void auto_update1();

    // ---- output
    void Afdrukvaneenreeksmemos1Click();
    void backupnaar_budir();
    void Memoaantal1Click();
    void Help1Click();
    void AboutVUK1Click();
    void Aboutauteur1Click();

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

    MemoListPanel* list_ = nullptr;    // Label1 to Label3, Panel1 with ListBox1
    AgendaPanel* agenda_ = nullptr;    // the Agenda menu and the sync's status line
    QAction* fullScreenItem_ = nullptr;  // Fullscreen1

    // The windows that keep something for the run: the calendar opens on
    // the day the run began, the help keeps its text when its file is gone,
    // the options show the option chosen last, and the About box stays open
    // beside the window. The other dialogs are made where they are used.
    Tkalenderdlg* calendar_ = nullptr;
    TAboutBox* aboutBox_ = nullptr;
    Trtf_dlg* helpWindow_ = nullptr;
    TOptionsdlg* optionsDialog_ = nullptr;
};

}  // namespace jotanor
