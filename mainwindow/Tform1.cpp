// The main window's start with its menu and panels, activation, resizing,
// keys, full screen, close, and the switch to another memo file.
#include "mainwindow/Tform1.h"

#include <QCloseEvent>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QApplication>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QTimer>
#include <map>

#include "calendar/Tkalenderdlg.h"
#include "mainwindow/AgendaPanel.h"
#include "mainwindow/MemoListBox.h"
#include "mainwindow/MemoListPanel.h"
#include "output/TAboutBox.h"
#include "output/TOptionsdlg.h"
#include "output/Trtf_dlg.h"
#include "widgets/WindowFrame.h"
#include "diary/MemoCommands.h"
#include "mainwindow/core/WindowPlace.h"
#include "store/Errors.h"

namespace jotanor {
namespace {

const QString kTitlePrefix = QStringLiteral("Jotanor versie 2.0 ***  ");
// The property of a command's action that holds the keys that run it.
constexpr const char* kKeysProperty = "keys";
// The window's width as designed, and again after full screen.
constexpr int kDesignWidth = 635;

// The menu bar's items closer together than the desktop style sets them,
// drawn as it draws them, so that every menu, the last one too, fits the
// window's design width instead of hiding behind the overflow button. One
// for the run, kept by the application.
class MenuBarStyle final : public QProxyStyle {
public:
    MenuBarStyle() : QProxyStyle(QApplication::style()->name()) { setParent(QApplication::instance()); }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        return metric == PM_MenuBarItemSpacing ? 0 : QProxyStyle::pixelMetric(metric, option, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        QSize sized = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type == CT_MenuBarItem && !size.isEmpty()) sized.setWidth(size.width() + 10);  // 5 px either side
        return sized;
    }
};

// Whether the memo file opens for writing, only for reading, or not at all.
enum class Access { Writable, ReadOnly, Missing };
Access memoAccess(MemoFile& file) {
    if (file.canOpen()) return Access::Writable;
    return file.canRead() ? Access::ReadOnly : Access::Missing;
}

// The window title that names the memo file in use, read-only or not.
QString titleOf(MemoFile& file) {
    const QString title = kTitlePrefix + fromPath(file.path());
    return memoAccess(file) == Access::ReadOnly ? title + "  (alleen lezen)" : title;
}

// Places the frame from the start position, `width` wide; its top stays
// where it is.
void placeFromSettings(QWidget& window, const QSize& screen, const Settings& settings, int width) {
    WindowFrame& frame = WindowFrame::of(window);
    frame.place(QRect(leftEdgeOnScreen(screen.width(), settings.leftPercent, width), frame.frame().top(), width,
                      percentOf(screen.height(), settings.bottomPercent)));
}

// Runs a step of the close; its file error also says what was not saved.
void atClose(const std::function<void()>& step, const std::string& lost) {
    try {
        step();
    } catch (const IoError& e) {
        const std::string& path = e.path();
        throw IoError(e.code(), std::filesystem::path(std::u8string(path.begin(), path.end())),
                      (e.reason().empty() ? "" : e.reason() + "\n") + lost +
                          " Nog eens sluiten sluit het programma zonder.");
    }
}

}  // namespace

Tform1::Tform1(Platform& platform, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      errors_(*platform.boxes),
      session_(*platform.fileSystem, *platform.clock, {}) {
    setObjectName("form1");
    setWindowTitle("Jotanor");
    // Its dialogs show it too; on Windows the executable's icon is the same.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/icons/nl.jotanor.Jotanor-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    QFont bold(font().family());
    bold.setPixelSize(13);
    bold.setBold(true);
    setFont(bold);

    auto* client = new QWidget(this);
    client->setObjectName("client");
    setCentralWidget(client);
    list_ = new MemoListPanel(*this, *client, platform_, errors_, session_, settings_);
    client->installEventFilter(this);
    list_->list()->installEventFilter(this);
    installEventFilter(this);

    // The one table of the commands: where each sits in the menu, its
    // caption, and the keys that run it. Keys the list box leaves alone reach
    // FormKeyDown, which finds the command here.
    struct Command {
        const char* menu;  // "" the menu bar itself, nullptr none
        const char* name;
        const char* caption;  // nullptr: a separator
        std::vector<int> keys;
        std::function<void(Tform1&)> run;
    };
    static const std::vector<Command> commands = {
        {"File1", "Afdrukvaneenreeksmemos1", "Afdruk van een geselecteerde reeks memo's", {},
         &Tform1::Afdrukvaneenreeksmemos1Click},
        {"File1", "N1", nullptr, {}, nullptr},
        {"File1", "Mijnfile1", "Open andere Mem-file", {}, &Tform1::Mijnfile},
        {"File1", "N2", nullptr, {}, nullptr},
        {"File1", "Memoaantal1", "&Aantal der ogeslagen memo's", {}, &Tform1::Memoaantal1Click},
        {"File1", "Exit1", "&Eindigen", {Qt::Key_Escape}, &Tform1::Exit1Click},
        {"Beeld1", "Fullscreen1", "Full screen  [ F5 ]", {Qt::Key_F5}, &Tform1::Fullscreen1Click},
        {"Show1", "Idemvanafxwekenterug1", "Vanaf &x weken terug", {},
         [](Tform1& w) { w.list_->Idemvanafxwekenterug1Click(); }},
        {"Show1", "Vanafeendatum1", "Vanaf een datum", {}, [](Tform1& w) { w.list_->Vanafdatum1Click(); }},
        {"Show1", "Alles1", "Alle memo's van een jaar", {}, [](Tform1& w) { w.list_->Alles1Click(); }},
        {"Show1", "Helebestand", "Het hele bestand", {}, [](Tform1& w) { w.list_->HelebestandClick(); }},
        {"", "Zoeken1", "Zoek  [F3]", {Qt::Key_F3}, [](Tform1& w) { w.list_->Zoeken1Click(); }},
        {"", "Invoer1", "Invoer  [I]", {Qt::Key_I}, &Tform1::Invoer1Click},
        {"", "Wijzigen1", "Wijzig  [F2]", {Qt::Key_F2}, &Tform1::Wijzigen1Click},
        {"", "CopieF41", "Copie  [F4]", {Qt::Key_F4}, &Tform1::CopieF41Click},
        {"", "Wissen1", "Verwijder  [ Del ]", {Qt::Key_Delete}, &Tform1::Wissen1Click},
        {"", "Options1", "Options ", {Qt::Key_O}, &Tform1::Options1Click},
        {"Help", "help1", "Toelichting  [F1]", {Qt::Key_F1}, &Tform1::Help1Click},
        {"Help", "AboutVUK1", "About VUK", {}, &Tform1::AboutVUK1Click},
        {"Help", "Aboutauteur1", "About auteur", {}, &Tform1::Aboutauteur1Click},
        {nullptr, "tenWeeks", "", {Qt::Key_Return, Qt::Key_Enter},
         [](Tform1& w) { w.list_->aantalwekenterug(0); }},
        {"Agenda1", "Importeerics1", "&Importeer een iCalendar-file", {},
         [](Tform1& w) { w.agenda_->Importeerics1Click(); }},
        {"Agenda1", "Bewaarics1", "&Bewaar dit overzicht als iCalendar-file", {},
         [](Tform1& w) { w.agenda_->Bewaarics1Click(); }},
        {"Agenda1", "N3", nullptr, {}, nullptr},
        {"Agenda1", "Synchroniseer1", "&Nu synchroniseren", {}, [](Tform1& w) { w.agenda_->Synchroniseer1Click(); }},
        {"Agenda1", "Account1", "&Agenda-account", {}, [](Tform1& w) { w.agenda_->Account1Click(); }},
    };
    static const std::map<std::string, QString> menuCaptions = {
        {"File1", "&Bestand"}, {"Beeld1", "Beeld"}, {"Show1", "Vertoon"}, {"Help", "Help"}, {"Agenda1", "&Agenda"}};

    // The menu takes a plain font rather than the window's bold one, so that
    // it fits the window's width.
    QFont menuFont("Arial");
    menuFont.setPointSize(8);
    menuFont.setBold(false);
    menuBar()->setFont(menuFont);
    static QPointer<MenuBarStyle> menuBarStyle;
    if (!menuBarStyle) menuBarStyle = new MenuBarStyle;
    menuBar()->setStyle(menuBarStyle);
    std::map<std::string, QMenu*> menus;
    for (const Command& c : commands) {
        QAction* a = nullptr;
        if (!c.menu) {
            a = new QAction(this);
        } else if (!*c.menu) {
            a = menuBar()->addAction(c.caption);
        } else {
            QMenu*& menu = menus[c.menu];
            if (!menu) {
                menu = menuBar()->addMenu(menuCaptions.at(c.menu));
                menu->setObjectName(c.menu);
            }
            a = c.caption ? menu->addAction(c.caption) : menu->addSeparator();
        }
        a->setObjectName(c.name);
        if (!c.run) continue;
        // The keys reach the command through FormKeyDown, not as shortcuts:
        // the list box sees every key as well, and the captions name them.
        QVariantList keys;
        for (int k : c.keys) keys << k;
        a->setProperty(kKeysProperty, keys);
        connect(a, &QAction::triggered, this, [this, run = c.run] { errors_.guarded([this, run] { run(*this); }); });
    }
    fullScreenItem_ = findChild<QAction*>("Fullscreen1");
    fullScreenItem_->setCheckable(true);

    agenda_ = new AgendaPanel(*this, *list_, [this] { return mayChange(); }, platform_, errors_, session_);

    const DialogContext context{platform_, errors_};
    aboutBox_ = new TAboutBox(this, context);
    // Returning from the About box runs the activation step again.
    connect(aboutBox_, &TAboutBox::activated, this, [this] { returnFromModeless_ = true; });
    calendar_ = new Tkalenderdlg(this, context, session_.file());
    helpWindow_ = new Trtf_dlg(this, context);
    optionsDialog_ = new TOptionsdlg(this, context);
    resize(kDesignWidth, 734);
    errors_.takeNoticesFrom([this] { return session_.file().takeNotices(); });
}

Tform1::~Tform1() = default;

bool Tform1::syncRunning() const { return agenda_->running(); }

bool Tform1::FormCreate(const std::optional<std::filesystem::path>& memoFile) {
    settings_.leftPercent = 90;
    settings_.bottomPercent = 90;
    WindowFrame::of(*this).place(QRect(0, 0, kDesignWidth, 400));
    settings_.backupPlace.clear();
    settings_.weekParity = 1;

    // The start-up check of the memo file: the one named at the start, or
    // else the working folder's. One that is not there is offered to be
    // created under its own name, so that a new diary can be started anywhere.
    session_.file().setPath(memoFile ? *memoFile : std::filesystem::absolute("jotanor1.mem"));
    const QString name = fromPath(session_.file().path());
    const Access access = memoAccess(session_.file());
    if (access == Access::Missing) {
        if (platform_.boxes->show(MsgKind::Confirmation, name + " niet gevonden. Nieuwe file aanmaken ?",
                                  MsgButtons::YesNo) != MsgResult::Yes)
            return false;
        // A file that cannot be created leaves the plain title; every later
        // command that opens it reports the error again.
        if (!errors_.guarded([this] { session_.file().create(); })) return true;
    }
    setWindowTitle(titleOf(session_.file()));
    if (access == Access::ReadOnly) {
        mayChange();
        return true;
    }

    errors_.guarded([this] { auto_update1(); });
    return true;
}

bool Tform1::mayChange() {
    if (memoAccess(session_.file()) != Access::ReadOnly) return true;
    platform_.boxes->show(MsgKind::Information,
                          fromPath(session_.file().path()) +
                              " kan alleen gelezen worden: de memo's zijn te zien, maar niet te wijzigen.",
                          MsgButtons::Ok);
    return false;
}

bool Tform1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && (!activatedOnce_ || returnFromModeless_)) {
        activatedOnce_ = true;
        returnFromModeless_ = false;
        errors_.guarded([this] { FormActivate(); });
    }
    return QMainWindow::event(e);
}

void Tform1::FormActivate() {
    activatedOnce_ = true;
    // A file error here is shown and the activation goes on. A file that
    // can only be read gets no feast days: it was told so at its opening.
    errors_.guarded([this] {
        try {
            holidayCheck(session_.file(), session_.today().year);
        } catch (const IoError&) {
            if (memoAccess(session_.file()) != Access::ReadOnly) throw;
        }
    });
    settings_.backupPlace = kDefaultBackupPlace;
    // A settings file that cannot be read whole is reported; the values read
    // before the bad line are kept and the window is still placed and filled.
    errors_.guarded([this] { laadoptions(); });
    placeFromSettings(*this, platform_.screen->size(), settings_, WindowFrame::of(*this).frame().width());
    QFrame* panel = list_->frame();
    panel->resize(WindowFrame::of(*this).frame().width() - 10, panel->height());
    list_->aantalwekenterug(0);
    // The window is drawn first; the list follows when the sync is done.
    QTimer::singleShot(0, this, [this] { agenda_->syncAtStart(); });
}

void Tform1::FormResize(int w, int h) {
    QFrame* panel = list_->frame();
    panel->resize(w - 20, h - 50);
    panel->move((w - panel->width()) / 2, h - panel->height() - 10);
}

bool Tform1::eventFilter(QObject* watched, QEvent* e) {
    if (watched == centralWidget() && e->type() == QEvent::Resize) {
        const QSize s = static_cast<QResizeEvent*>(e)->size();
        FormResize(s.width(), s.height());
    } else if (watched == list_->list() && e->type() == QEvent::KeyRelease) {
        keyPreviewed_ = false;
    } else if ((watched == this || watched == list_->list()) && e->type() == QEvent::KeyPress) {
        // A key the list box leaves alone travels on to the form; it was
        // handled already when the list box had it.
        const bool already = watched == this && keyPreviewed_;
        keyPreviewed_ = watched == list_->list();
        if (!already) {
            auto* k = static_cast<QKeyEvent*>(e);
            FormKeyDown(k->key(), k->modifiers());
        }
        // The key is not consumed: the list box still sees it.
    }
    return QMainWindow::eventFilter(watched, e);
}

void Tform1::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    // The digits of the keypad go back that many weeks.
    if (modifiers & Qt::KeypadModifier && key >= Qt::Key_0 && key <= Qt::Key_9) {
        errors_.guarded([&] { list_->aantalwekenterug(key - Qt::Key_0); });
        return;
    }
    // Any other key by the command that carries it, whatever the modifiers.
    for (QAction* a : findChildren<QAction*>()) {
        if (a->property(kKeysProperty).toList().contains(key)) {
            a->trigger();
            return;
        }
    }
}

void Tform1::Fullscreen1Click() {
    fullScreen_ = !fullScreen_;
    fullScreenItem_->setChecked(fullScreen_);
    if (fullScreen_)
        WindowFrame::of(*this).place(QRect(QPoint(0, 0), platform_.screen->size()));
    else
        placeFromSettings(*this, platform_.screen->size(), settings_, kDesignWidth);
}

void Tform1::Exit1Click() { close(); }

void Tform1::closeEvent(QCloseEvent* e) {
    if (FormClose())
        e->accept();
    else
        e->ignore();
}

bool Tform1::FormClose() {
    if (!closeFailed_) agenda_->beforeClose();
    const bool saved = errors_.guarded([this] {
        atClose([this] { saveoptions(); }, "De instellingen zijn niet bewaard.");
        atClose([this] { backupnaar_budir(); }, "De backup is niet gemaakt.");
    });
    // An error at close never keeps the user from closing: the window
    // stays open once, so that another backup place can be chosen.
    if (saved || closeFailed_) return true;
    closeFailed_ = true;
    agenda_->stayOpen();
    return false;
}

void Tform1::Mijnfile() {
    const std::filesystem::path inUse = session_.file().path();
    if (auto chosen = platform_.fileDialogs->openFile("Openen van een andere .MEM-file", "mem", "jotanor1.mem",
                                                      "*.mem"))
        session_.file().setPath(toPath(*chosen));
    const QString name = fromPath(session_.file().path());
    const Access access = memoAccess(session_.file());
    if (access == Access::Missing) {
        // The file in use stays the one the title names, so that every
        // command, and the backup at close, still works on it.
        platform_.boxes->show(MsgKind::Information, name + " niet gevonden", MsgButtons::Ok);
        session_.file().setPath(inUse);
        return;
    }
    setWindowTitle(titleOf(session_.file()));
    if (access == Access::ReadOnly) mayChange();
    list_->aantalwekenterug(0);
}

}  // namespace jotanor
