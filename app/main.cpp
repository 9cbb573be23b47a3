// Creates the application and the main window, and runs the loop.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "mainwindow/Tform1.h"

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
    JotanorApplication app(argc, argv);
    if (app.arguments().contains("--user-folder")) useUserFolder();
    jotanor::Tform1 form1(jotanor::qtPlatform());
    app.form1 = &form1;
    if (!form1.FormCreate()) return 0;
    form1.show();
    // Without a window manager nobody else gives the window the focus.
    form1.activateWindow();
    return app.exec();
}
