// The calendar commands of the window: an iCalendar file imported, the list
// as it stands saved as one, the sync with the calendar account (off the
// window's thread, with progress and a way to stop it), the account dialog,
// and the syncs at start and at close.
#include <QDateTime>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <fstream>
#include <sstream>

#include "diary/CalendarAccount.h"
#include "diary/Pairing.h"
#include "mainwindow/AccountDialog.h"
#include "mainwindow/MemoListModel.h"
#include "mainwindow/SyncRunner.h"
#include "mainwindow/Tform1.h"
#include "store/Errors.h"
#include "store/SafeWrite.h"
#include "sync/CalDav.h"

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

// A server's words, as the end of a Dutch sentence.
QString reason(const QString& problem) {
    return problem.endsWith('.') ? problem : problem + ".";
}

}  // namespace

void Tform1::buildSyncStatus() {
    // Shown only while there is something to say, so the list keeps its room.
    statusBar()->setObjectName("syncStatusBar");
    statusBar()->setSizeGripEnabled(false);
    syncLine_ = new QLabel(statusBar());
    syncLine_->setObjectName("syncLine");
    syncLine_->setAccessibleName("Synchronisatie");
    syncLine_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    syncLine_->setWordWrap(true);
    QFont plain = syncLine_->font();
    plain.setBold(false);
    statusBar()->setFont(plain);
    statusBar()->addWidget(syncLine_, 1);
    syncProgress_ = new QProgressBar(statusBar());
    syncProgress_->setObjectName("syncProgress");
    syncProgress_->setAccessibleName("Voortgang van de synchronisatie");
    syncProgress_->setMaximumWidth(160);
    statusBar()->addPermanentWidget(syncProgress_);
    stopSyncButton_ = new QPushButton("&Stoppen", statusBar());
    stopSyncButton_->setObjectName("stopSyncButton");
    stopSyncButton_->setAccessibleName("Synchronisatie stoppen");
    statusBar()->addPermanentWidget(stopSyncButton_);
    connect(stopSyncButton_, &QPushButton::clicked, this, [this] {
        syncRunner_->stop();
        sayAboutSync("Synchronisatie wordt gestopt…");
    });
    statusBar()->hide();

    syncRunner_ = new SyncRunner(this);
    syncRunner_->onProgress = [this](std::size_t done, std::size_t total) {
        syncProgress_->setRange(0, static_cast<int>(total));
        syncProgress_->setValue(static_cast<int>(done));
        sayAboutSync(QString("%1 van %2 naar de server, nog %3").arg(done).arg(total).arg(total - done), true);
    };
    syncRunner_->onFinished = [this](const SyncRunner::Outcome& o) { syncFinished(o); };
}

void Tform1::sayAboutSync(const QString& line, bool busy) {
    showStatus(*syncLine_, line);
    syncProgress_->setVisible(busy);
    stopSyncButton_->setVisible(busy);
    statusBar()->show();
}

void Tform1::loadAccount() {
    account_ = jotanor::loadAccount(*platform_.fileSystem, kAccountFileName);
}

void Tform1::syncAtStart() {
    if (startSyncChecked_) return;
    startSyncChecked_ = true;
    // A side file that cannot be read says so in the status line only.
    try {
        loadAccount();
    } catch (const IoError& e) {
        sayAboutSync("Agenda-account niet gelezen: " + QString::fromStdString(e.fullText()));
        return;
    }
    if (account_.configured() && account_.syncAtStart) startSync(true);
}

std::optional<std::optional<std::string>> Tform1::syncPassword(bool quiet) {
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
            sayAboutSync("Niet gesynchroniseerd: de wachtwoordkluis weigert (" + kept.problem + ").");
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
    const QString given =
        QInputDialog::getText(this, "Wachtwoord", why + "Wachtwoord voor " + QString::fromStdString(account_.user) +
                                                      " op " + QString::fromStdString(account_.url) + ":",
                              QLineEdit::Password, {}, &ok);
    if (!ok) return std::nullopt;
    runPassword_ = given;
    return given.toStdString();
}

void Tform1::startSync(bool quiet) {
    if (syncRunner_->running()) return;
    const auto password = syncPassword(quiet);
    if (!password) return;
    sync::SyncSettings settings;
    settings.server.url = account_.url;
    settings.server.user = account_.user;
    settings.server.password = *password;
    settings.today = encodeDate(today());
    settings.dtstamp = utcStamp();
    syncQuiet_ = quiet;
    memoFileBeforeSync_ = lastWritten(session_.file().path());
    syncProgress_->setRange(0, 0);
    sayAboutSync("Synchroniseren met " + QUrl(QString::fromStdString(account_.url)).host() + "…", true);
    syncRunner_->start(*platform_.fileSystem, std::filesystem::absolute(session_.file().path()), std::move(settings));
}

void Tform1::syncFinished(const SyncOutcome& o) {
    using Kind = SyncRunner::Outcome::Kind;
    // A sync stopped or failed on its way up may have brought memos in
    // already: the list follows the memo file whenever it changed.
    const bool changed = o.kind == Kind::Done ? o.report.down + o.report.deletedHere > 0
                                              : lastWritten(session_.file().path()) != memoFileBeforeSync_;
    // The year view asks for its year: it stays until it is asked again.
    const bool redraw = changed && session_.viewMode() != ViewMode::Year;
    if (redraw) guarded([this] { reshowView(); });
    switch (o.kind) {
    case Kind::Done:
        sayAboutSync(syncSummary(o.report) + (changed && !redraw ? " De lijst toont nog de toestand van ervoor." : ""));
        break;
    case Kind::Stopped: sayAboutSync("Synchronisatie gestopt; de volgende keer gaat ze verder."); break;
    case Kind::AccessDenied:
        // The password kept for the run was wrong: ask again next time.
        runPassword_.reset();
        sayAboutSync("Niet gesynchroniseerd: " + reason(o.problem));
        if (deniedShown_ || closing_) break;
        deniedShown_ = true;
        if (platform_.boxes->show(MsgKind::Warning,
                                  "Synchroniseren mislukt: " + reason(o.problem) + "\n\nHet agenda-account openen?",
                                  MsgButtons::YesNo) == MsgResult::Yes)
            guarded([this] { Account1Click(); });
        break;
    case Kind::Failed:
        sayAboutSync("Niet gesynchroniseerd: " + reason(o.problem));
        if (!syncQuiet_ && !closing_)
            platform_.boxes->show(MsgKind::Error, "Synchroniseren mislukt: " + reason(o.problem), MsgButtons::Ok);
        break;
    }
}

bool Tform1::syncBeforeClose() {
    closing_ = true;
    try {
        loadAccount();
    } catch (const IoError&) {
    }
    if (account_.configured() && account_.syncAtClose && !syncRunner_->running()) startSync(true);
    if (!syncRunner_->running()) return true;
    sayAboutSync(QString("Even wachten op de synchronisatie (hoogstens %1 seconden)…").arg(kCloseWaitSeconds), true);
    if (syncRunner_->waitFor(kCloseWaitSeconds * 1000 - kCloseStopMs - kCloseRestMs)) return true;
    syncRunner_->stop();
    sayAboutSync("De synchronisatie wordt afgebroken; de volgende keer gaat ze verder.");
    // One still running is waited for when the window is gone.
    return syncRunner_->waitFor(kCloseStopMs);
}

void Tform1::Importeerics1Click() {
    if (!mayChange()) return;
    const auto chosen = platform_.fileDialogs->openFile("Importeren van een iCalendar-file", "ics", "", "*.ics");
    if (!chosen) return;
    const DaySerial day = encodeDate(today());
    ics::Imported imported;
    try {
        imported = ics::readCalendar(wholeFile(*chosen), ics::ImportWindow{day, day, day + 365});
    } catch (const IoError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(chosen->toStdString() + ": " + e.what());
    }
    const ImportCounts counts = importInto(session_.file(), imported);
    if (counts.added > 0) reshowView();
    QString text = QString("%1 toegevoegd, %2 al aanwezig, %3 overgeslagen, %4 ingekort")
                       .arg(memos(counts.added))
                       .arg(counts.already)
                       .arg(imported.skipped)
                       .arg(imported.cut);
    if (imported.replaced > 0) text += QString(", %1 tekens vervangen door ?").arg(imported.replaced);
    platform_.boxes->show(MsgKind::Information, text, MsgButtons::Ok);
}

void Tform1::Bewaarics1Click() {
    const auto chosen = platform_.fileDialogs->saveFile("jotanor.ics");
    if (!chosen) return;
    std::vector<std::pair<std::size_t, MemoRecord>> shown;
    const MemoBlocks& blocks = listModel_->blocks();
    for (std::size_t b = 0; b < blocks.size(); ++b) shown.emplace_back(blocks.position(b), blocks.record(b));
    const ListCalendar calendar = exportList(session_.file(), shown, utcStamp());
    replaceFile(*platform_.fileSystem, toPath(*chosen), calendar.text.data(), calendar.text.size());
    QString text = memos(calendar.events) + " bewaard in " + *chosen;
    if (calendar.undated > 0) text += ", " + QString::number(calendar.undated) + " zonder geldige datum overgeslagen";
    platform_.boxes->show(MsgKind::Information, text, MsgButtons::Ok);
}

void Tform1::Synchroniseer1Click() {
    loadAccount();
    if (!account_.configured()) {
        platform_.boxes->show(MsgKind::Information,
                              "Er is nog geen agenda-account: vul het eerst in onder Agenda, Agenda-account.",
                              MsgButtons::Ok);
        return;
    }
    if (syncRunner_->running()) return;
    if (!mayChange()) return;
    startSync(false);
}

void Tform1::Account1Click() {
    loadAccount();
    const QString key = QString::fromStdString(account_.passwordKey());
    const PasswordStore::Answer kept = platform_.passwords->read(key);
    QString password = kept.status == PasswordStore::Status::Ok ? kept.password : runPassword_.value_or("");
    const bool noStore = kept.status == PasswordStore::Status::NoStore;

    AccountDialog dialog(this, DialogContext{platform_, errors_}, [](const CalendarAccount& a, const QString& p) {
        return tryAccount(a, p);
    });
    dialog.setAccount(account_, password);
    dialog.setPasswordNote(noStore ? "Er draait geen wachtwoordkluis op dit systeem: het wachtwoord geldt alleen "
                                     "zolang het programma open is."
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
                              ? "Er draait geen wachtwoordkluis op dit systeem: het wachtwoord geldt alleen zolang "
                                "het programma open is."
                              : "De wachtwoordkluis weigert het wachtwoord (" + stored.problem +
                                    "); het geldt alleen zolang het programma open is.",
                          MsgButtons::Ok);
}

QString Tform1::tryAccount(const CalendarAccount& a, const QString& password) {
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


bool Tform1::syncRunning() const { return syncRunner_->running(); }

}  // namespace jotanor
