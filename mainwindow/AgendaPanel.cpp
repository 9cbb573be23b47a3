#include "mainwindow/AgendaPanel.h"

#include <QDateTime>
#include <QInputDialog>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <fstream>
#include <sstream>

#include "diary/Pairing.h"
#include "diary/Session.h"
#include "mainwindow/AccountDialog.h"
#include "mainwindow/MemoListPanel.h"
#include "mainwindow/SyncRunner.h"
#include "store/Errors.h"
#include "store/SafeWrite.h"
#include "sync/CalDav.h"
#include "widgets/Dialog.h"

namespace jotanor {
namespace {

// Closing the window waits at most this long for a sync, the stop
// included: a stopped request notices within about a second. What is left
// is for the settings, the backup and the window to go.
constexpr int kCloseWaitSeconds = 5;
constexpr int kCloseStopMs = 1300;
constexpr int kCloseRestMs = 700;  // room for a loaded machine

QString memos(std::size_t n) { return QString::number(n) + (n == 1 ? " memo" : " memo's"); }

std::string utcStamp() {
    return QDateTime::currentDateTimeUtc().toString("yyyyMMdd'T'HHmmss'Z'").toStdString();
}

std::string wholeFile(const QString& name) {
    std::ifstream in(toPath(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) throw std::runtime_error(name.toStdString() + ": het bestand kan niet gelezen worden");
    return text.str();
}

// What was left alone (an event that could not be read, a write the server
// refused) is named after the counts; the next sync tries it again.
QString syncSummary(const sync::SyncReport& r) {
    QString text = "Gesynchroniseerd: " + QString::fromStdString(sync::summary(r)) + ".";
    for (const std::string& skipped : r.skipped) text += " " + QString::fromStdString(skipped) + ".";
    return text;
}

// When the memo file was last written; the same for one that is not there.
std::filesystem::file_time_type lastWritten(const std::filesystem::path& file) {
    std::error_code ignored;
    return std::filesystem::last_write_time(file, ignored);
}

const QString kNoStoreText = "Er draait geen wachtwoordkluis op dit systeem: het wachtwoord geldt alleen zolang het "
                             "programma open is.";

// A server's words, as the end of a Dutch sentence.
QString reason(const QString& problem) {
    return problem.endsWith('.') ? problem : problem + ".";
}

// The account dialog's trial: one request to the server, said in a sentence.
QString tryAccount(const CalendarAccount& a, const QString& password) {
    if (a.url.empty()) return "Vul eerst het serveradres in.";
    try {
        sync::DavSettings settings;
        settings.url = a.url;
        settings.user = a.user;
        settings.password = password.toStdString();
        if (a.user.empty() && password.isEmpty()) settings.password.reset();
        sync::CalDav dav(settings);
        dav.checkCalendar();
        return "Gelukt: " + QString::fromStdString(dav.address()) + " is een agenda die u kunt synchroniseren.";
    } catch (const std::exception& e) {
        return "Niet gelukt: " + reason(QString::fromUtf8(e.what()));
    }
}

}  // namespace

AgendaPanel::AgendaPanel(QMainWindow& window, MemoListPanel& list, std::function<bool()> mayChange,
                         Platform& platform, ErrorSink& errors, Session& session)
    : QObject(&window), window_(window), list_(list), mayChange_(std::move(mayChange)), platform_(platform),
      errors_(errors), session_(session) {
    // Shown only while there is something to say, so the list keeps its room.
    QStatusBar* bar = window_.statusBar();
    bar->setObjectName("syncStatusBar");
    bar->setSizeGripEnabled(false);
    line_ = new QLabel(bar);
    line_->setObjectName("syncLine");
    line_->setAccessibleName("Synchronisatie");
    line_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    line_->setWordWrap(true);
    QFont plain = line_->font();
    plain.setBold(false);
    bar->setFont(plain);
    bar->addWidget(line_, 1);
    progress_ = new QProgressBar(bar);
    progress_->setObjectName("syncProgress");
    progress_->setAccessibleName("Voortgang van de synchronisatie");
    progress_->setMaximumWidth(160);
    bar->addPermanentWidget(progress_);
    stopButton_ = new QPushButton("&Stoppen", bar);
    stopButton_->setObjectName("stopSyncButton");
    stopButton_->setAccessibleName("Synchronisatie stoppen");
    bar->addPermanentWidget(stopButton_);
    connect(stopButton_, &QPushButton::clicked, this, [this] {
        runner_->stop();
        say("Synchronisatie wordt gestopt…");
    });
    bar->hide();

    runner_ = new SyncRunner(this);
    runner_->onProgress = [this](std::size_t done, std::size_t total) {
        progress_->setRange(0, static_cast<int>(total));
        progress_->setValue(static_cast<int>(done));
        say(QString("%1 van %2 naar de server, nog %3").arg(done).arg(total).arg(total - done), true);
    };
    runner_->onFinished = [this](const SyncOutcome& o) { finished(o); };
}

bool AgendaPanel::running() const { return runner_->running(); }

void AgendaPanel::say(const QString& line, bool busy) {
    showStatus(*line_, line);
    progress_->setVisible(busy);
    stopButton_->setVisible(busy);
    window_.statusBar()->show();
}

void AgendaPanel::loadAccount() { account_ = jotanor::loadAccount(*platform_.fileSystem, kAccountFileName); }

void AgendaPanel::syncAtStart() {
    if (startChecked_) return;
    startChecked_ = true;
    // A side file that cannot be read says so in the status line only.
    try {
        loadAccount();
    } catch (const IoError& e) {
        say("Agenda-account niet gelezen: " + QString::fromStdString(e.fullText()));
        return;
    }
    if (account_.configured() && account_.syncAtStart) start(true);
}

std::optional<std::optional<std::string>> AgendaPanel::password(bool quiet) {
    if (runPassword_) return runPassword_->toStdString();
    const PasswordStore::Answer kept = platform_.passwords->read(QString::fromStdString(account_.passwordKey()));
    switch (kept.status) {
    case PasswordStore::Status::Ok: return kept.password.toStdString();
    case PasswordStore::Status::NotKept:
        if (account_.user.empty()) return std::optional<std::string>{};
        break;
    case PasswordStore::Status::NoStore: break;
    case PasswordStore::Status::Failed:
        if (quiet) {
            say("Niet gesynchroniseerd: de wachtwoordkluis weigert (" + kept.problem + ").");
            return std::nullopt;
        }
        break;
    }
    // Asked, and kept for this run only.
    const QString why = kept.status == PasswordStore::Status::NoStore
                            ? "Er draait geen wachtwoordkluis op dit systeem; het wachtwoord geldt alleen "
                              "zolang het programma open is.\n\n"
                            : QString();
    bool ok = false;
    const QString given = QInputDialog::getText(&window_, "Wachtwoord",
                                                why + "Wachtwoord voor " + QString::fromStdString(account_.user) +
                                                    " op " + QString::fromStdString(account_.url) + ":",
                                                QLineEdit::Password, {}, &ok);
    if (!ok) return std::nullopt;
    runPassword_ = given;
    return given.toStdString();
}

void AgendaPanel::start(bool quiet) {
    if (runner_->running()) return;
    const auto given = password(quiet);
    if (!given) return;
    sync::SyncSettings settings;
    settings.server.url = account_.url;
    settings.server.user = account_.user;
    settings.server.password = *given;
    settings.today = encodeDate(session_.today());
    settings.dtstamp = utcStamp();
    quiet_ = quiet;
    memoFileBefore_ = lastWritten(session_.file().path());
    progress_->setRange(0, 0);
    say("Synchroniseren met " + QUrl(QString::fromStdString(account_.url)).host() + "…", true);
    runner_->start(*platform_.fileSystem, std::filesystem::absolute(session_.file().path()), std::move(settings));
}

void AgendaPanel::finished(const SyncOutcome& o) {
    using Kind = SyncOutcome::Kind;
    // A sync stopped or failed on its way up may have brought memos in
    // already: the list follows the memo file whenever it changed.
    const bool changed = o.kind == Kind::Done ? o.report.down + o.report.deletedHere > 0
                                              : lastWritten(session_.file().path()) != memoFileBefore_;
    // The year view asks for its year: it stays until it is asked again.
    const bool redraw = changed && session_.viewMode() != ViewMode::Year;
    if (redraw) errors_.guarded([this] { list_.reshowView(); });
    switch (o.kind) {
    case Kind::Done:
        say(syncSummary(o.report) + (changed && !redraw ? " De lijst toont nog de toestand van ervoor." : ""));
        break;
    case Kind::Stopped: say("Synchronisatie gestopt; de volgende keer gaat ze verder."); break;
    case Kind::AccessDenied:
        // The password kept for the run was wrong: ask again next time.
        runPassword_.reset();
        say("Niet gesynchroniseerd: " + reason(o.problem));
        if (deniedShown_ || closing_) break;
        deniedShown_ = true;
        if (platform_.boxes->show(MsgKind::Warning,
                                  "Synchroniseren mislukt: " + reason(o.problem) + "\n\nHet agenda-account openen?",
                                  MsgButtons::YesNo) == MsgResult::Yes)
            errors_.guarded([this] { Account1Click(); });
        break;
    case Kind::Failed:
        say("Niet gesynchroniseerd: " + reason(o.problem));
        if (!quiet_ && !closing_)
            platform_.boxes->show(MsgKind::Error, "Synchroniseren mislukt: " + reason(o.problem), MsgButtons::Ok);
        break;
    }
}

bool AgendaPanel::beforeClose() {
    closing_ = true;
    try {
        loadAccount();
    } catch (const IoError&) {
    }
    if (account_.configured() && account_.syncAtClose && !runner_->running()) start(true);
    if (!runner_->running()) return true;
    say(QString("Even wachten op de synchronisatie (hoogstens %1 seconden)…").arg(kCloseWaitSeconds), true);
    if (runner_->waitFor(kCloseWaitSeconds * 1000 - kCloseStopMs - kCloseRestMs)) return true;
    runner_->stop();
    say("De synchronisatie wordt afgebroken; de volgende keer gaat ze verder.");
    // One still running is waited for when the window is gone.
    return runner_->waitFor(kCloseStopMs);
}

void AgendaPanel::Importeerics1Click() {
    if (!mayChange_()) return;
    const auto chosen = platform_.fileDialogs->openFile("Importeren van een iCalendar-file", "ics", "", "*.ics");
    if (!chosen) return;
    const DaySerial day = encodeDate(session_.today());
    ics::Imported imported;
    try {
        imported = ics::readCalendar(wholeFile(*chosen), ics::ImportWindow{day, day, day + 365});
    } catch (const IoError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(chosen->toStdString() + ": " + e.what());
    }
    const ImportCounts counts = importInto(session_.file(), imported);
    if (counts.added > 0) list_.reshowView();
    QString text = QString("%1 toegevoegd, %2 al aanwezig, %3 overgeslagen, %4 ingekort")
                       .arg(memos(counts.added))
                       .arg(counts.already)
                       .arg(imported.skipped)
                       .arg(imported.cut);
    if (imported.replaced > 0) text += QString(", %1 tekens vervangen door ?").arg(imported.replaced);
    platform_.boxes->show(MsgKind::Information, text, MsgButtons::Ok);
}
void AgendaPanel::Bewaarics1Click() {
    const auto chosen = platform_.fileDialogs->saveFile("jotanor.ics");
    if (!chosen) return;
    std::vector<std::pair<std::size_t, MemoRecord>> shown;
    const MemoBlocks& blocks = list_.blocks();
    for (std::size_t b = 0; b < blocks.size(); ++b) shown.emplace_back(blocks.position(b), blocks.record(b));
    const ListCalendar calendar = exportList(session_.file(), shown, utcStamp());
    replaceFile(*platform_.fileSystem, toPath(*chosen), calendar.text.data(), calendar.text.size());
    QString text = memos(calendar.events) + " bewaard in " + *chosen;
    if (calendar.undated > 0) text += ", " + QString::number(calendar.undated) + " zonder geldige datum overgeslagen";
    platform_.boxes->show(MsgKind::Information, text, MsgButtons::Ok);
}

void AgendaPanel::Synchroniseer1Click() {
    loadAccount();
    if (!account_.configured()) {
        platform_.boxes->show(MsgKind::Information,
                              "Er is nog geen agenda-account: vul het eerst in onder Agenda, Agenda-account.",
                              MsgButtons::Ok);
        return;
    }
    if (runner_->running()) return;
    if (!mayChange_()) return;
    start(false);
}

void AgendaPanel::Account1Click() {
    loadAccount();
    const QString key = QString::fromStdString(account_.passwordKey());
    const PasswordStore::Answer kept = platform_.passwords->read(key);
    QString password = kept.status == PasswordStore::Status::Ok ? kept.password : runPassword_.value_or("");
    const bool noStore = kept.status == PasswordStore::Status::NoStore;

    AccountDialog dialog(&window_, {platform_, errors_}, tryAccount);
    dialog.setAccount(account_, password);
    dialog.setPasswordNote(noStore ? kNoStoreText
                                   : "Het wachtwoord bewaart het systeem, in zijn eigen wachtwoordkluis.");
    if (dialog.exec() != QDialog::Accepted) return;
    account_ = dialog.account();
    saveAccount(*platform_.fileSystem, kAccountFileName, account_);
    deniedShown_ = false;
    const PasswordStore::Answer stored =
        platform_.passwords->write(QString::fromStdString(account_.passwordKey()), dialog.password());
    runPassword_.reset();
    if (stored.status == PasswordStore::Status::Ok) return;
    runPassword_ = dialog.password();
    platform_.boxes->show(MsgKind::Information,
                          stored.status == PasswordStore::Status::NoStore
                              ? kNoStoreText
                              : "De wachtwoordkluis weigert het wachtwoord (" + stored.problem +
                                    "); het geldt alleen zolang het programma open is.",
                          MsgButtons::Ok);
}

}  // namespace jotanor
