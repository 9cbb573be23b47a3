// Creates the application, the main window and its dialogs, and runs the loop.
#include <QApplication>

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

}  // namespace

int main(int argc, char* argv[]) {
    JotanorApplication app(argc, argv);
    jotanor::Tform1 form1(jotanor::qtPlatform());
    app.form1 = &form1;
    if (!form1.FormCreate()) return 0;
    form1.createDialogs();
    form1.show();
    // Without a window manager nobody else gives the window the focus.
    form1.activateWindow();
    return app.exec();
}
