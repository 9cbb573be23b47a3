// The one driver for modal dialogs in widget tests. It answers the dialogs
// that a command opens, one step per dialog in the order they open. A step
// that leaves its dialog open has it rejected; a dialog beyond the script
// is rejected and the test fails; a script whose dialogs do not open fails
// as soon as the command returns, and a command still running after the
// patience has its modal and popup windows closed, so no test ever hangs
// until the test runner's time-out.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace jotanor::test {

using DialogStep = std::function<void(QDialog&)>;

inline std::string dialogName(const QWidget& w) {
    return std::string(w.metaObject()->className()) + " \"" + w.windowTitle().toStdString() + "\"";
}

inline void withDialogs(const std::vector<DialogStep>& steps, const std::function<void()>& run,
                        std::chrono::milliseconds patience = std::chrono::seconds(20)) {
    std::size_t next = 0;
    QWidget* handled = nullptr;
    bool overdue = false;
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (clock.elapsed() > patience.count()) {
            if (!overdue) ADD_FAILURE() << "the command did not end within " << patience.count() << " ms";
            overdue = true;
            if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) modal->reject();
            else if (QWidget* w = QApplication::activeModalWidget()) w->close();
            return;
        }
        QWidget* active = QApplication::activeModalWidget();
        if (active != handled) handled = nullptr;
        auto* dialog = qobject_cast<QDialog*>(active);
        if (!dialog || dialog == handled || !dialog->isVisible()) return;
        handled = dialog;
        if (next < steps.size()) {
            steps[next++](*dialog);
            if (dialog->isVisible()) dialog->reject();
        } else {
            ADD_FAILURE() << "unexpected dialog " << dialogName(*dialog);
            dialog->reject();
        }
    });
    timer.start();
    run();
    timer.stop();
    EXPECT_EQ(next, steps.size()) << "dialogs answered of those expected";
}

// One dialog of type T, answered by `answer`.
template <class T>
void withDialog(const std::function<void(T&)>& answer, const std::function<void()>& run) {
    withDialogs({[&answer](QDialog& dialog) {
                    auto* expected = dynamic_cast<T*>(&dialog);
                    ASSERT_NE(expected, nullptr) << "another dialog opened: " << dialogName(dialog);
                    answer(*expected);
                }},
                run);
}

}  // namespace jotanor::test
