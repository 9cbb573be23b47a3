// Creates the application and the main window, and runs the loop.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>

#include "mainwindow/Tform1.h"
#include "mainwindow/core/StartArguments.h"
#include "platform/core/Console.h"

namespace {

// Last line of defence: no exception may cross Qt's event loop.
class JotanorApplication : public QApplication {
public:
    using QApplication::QApplication;
    jotanor::Tform1* form1 = nullptr;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            if (form1) form1->showError(e);
        } catch (...) {
        }
        return false;
    }
};

// Started from the desktop's menu (its launcher passes --user-folder), the
// program keeps its memo file and side files in a folder of the user's own,
// made at the first start; started from a terminal, in the working folder.
void useUserFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Jotanor";
    const bool made = !QDir(folder).exists();
    if (!QDir().mkpath(folder)) return;
    // A diary is private.
    if (made) QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir::setCurrent(folder);
}

}  // namespace

int main(int argc, char* argv[]) {
    using jotanor::StartArguments;
    // Help, the version and a wrong option are answered before any window
    // system is asked for, so that they work in any terminal.
    const StartArguments given = jotanor::parseStartArguments({argv + 1, argv + argc});
    if (given.action != StartArguments::Action::Run) jotanor::attachParentConsole();
    switch (given.action) {
    case StartArguments::Action::Help: std::fputs(jotanor::startUsage(), stdout); return 0;
    case StartArguments::Action::Version: std::puts("jotanor " JOTANOR_VERSION); return 0;
    case StartArguments::Action::Misused:
        std::fprintf(stderr, "jotanor: %s\nZie jotanor --help\n", given.problem.c_str());
        return 2;
    case StartArguments::Action::Run: break;
    }

    JotanorApplication app(argc, argv);
    // Docks match the window to its launcher by this name (Wayland) and by
    // the window class "jotanor", the program's name (X11).
    QGuiApplication::setDesktopFileName("nl.jotanor.Jotanor");
    jotanor::useToolkitTranslations(app, QLocale::system());
    // The toolkit has taken its own options; the memo file's name is read
    // again as the toolkit decoded it (on Windows from the wide command line).
    QStringList rest = app.arguments();
    rest.removeFirst();
    std::vector<std::string> decoded;
    for (const QString& a : rest) decoded.push_back(a.toStdString());
    std::optional<std::filesystem::path> memoFile;
    if (const auto name = jotanor::parseStartArguments(decoded).memoFile)
        memoFile = std::filesystem::absolute(jotanor::toPath(QString::fromStdString(*name)));
    if (given.userFolder) useUserFolder();
    jotanor::Tform1 form1(jotanor::qtPlatform());
    app.form1 = &form1;
    if (!form1.FormCreate(memoFile)) return 0;
    form1.show();
    // Without a window manager nobody else gives the window the focus.
    form1.activateWindow();
    // A sync still running at close was stopped; the window's end waits for it.
    return app.exec();
}
