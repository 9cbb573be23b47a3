// The Agenda menu's commands, beside the memo list: an iCalendar file
// imported, the list as it stands saved as one, and the sync with the
// calendar account, with its status line, progress bar and "&Stoppen" in
// the window's status bar, the account, the password kept for the run, and
// the syncs at start and at close. The sync itself runs off the window's
// thread, in a SyncRunner.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "diary/CalendarAccount.h"

class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;

namespace jotanor {

class ErrorSink;
class MemoListPanel;
class Session;
class SyncRunner;
struct Platform;
struct SyncOutcome;

class AgendaPanel : public QObject {
    Q_OBJECT

public:
    // Its status line goes into `window`'s status bar; `mayChange` is false,
    // with the user told why, when the memo file can only be read.
    AgendaPanel(QMainWindow& window, MemoListPanel& list, std::function<bool()> mayChange, Platform& platform,
                ErrorSink& errors, Session& session);

    bool running() const;
    // Once the window is drawn for the first time: the sync at start, when
    // the account asks for it.
    void syncAtStart();
    void Importeerics1Click();
    void Bewaarics1Click();
    // "Nu synchroniseren".
    void Synchroniseer1Click();
    // The dialog "Agenda-account"; the password goes to the system's store.
    void Account1Click();
    // The sync at close, and the wait for a running one, at most five
    // seconds; false when it is still running.
    bool beforeClose();
    // The close did not happen: boxes may show again.
    void stayOpen() { closing_ = false; }

private:
    // The status line; `busy` shows the progress and "Stoppen".
    void say(const QString& line, bool busy = false);
    void loadAccount();
    // `quiet`: trouble goes to the status line, not into a box.
    void start(bool quiet);
    void finished(const SyncOutcome& outcome);
    // The password for a sync (nothing inside: none needed); nothing when
    // the user gave none.
    std::optional<std::optional<std::string>> password(bool quiet);

    QMainWindow& window_;
    MemoListPanel& list_;
    std::function<bool()> mayChange_;
    Platform& platform_;
    ErrorSink& errors_;
    Session& session_;
    CalendarAccount account_;
    SyncRunner* runner_ = nullptr;
    std::optional<QString> runPassword_;  // kept for this run only
    bool startChecked_ = false;
    bool quiet_ = false;
    std::filesystem::file_time_type memoFileBefore_{};
    bool deniedShown_ = false;  // a refused password was told once
    bool closing_ = false;
    QLabel* line_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* stopButton_ = nullptr;
};

}  // namespace jotanor
