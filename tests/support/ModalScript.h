// Answers the modal dialogs that a command opens, one step per dialog in
// the order they open. A dialog beyond the script is closed, and the test
// fails, so that a test never hangs on a dialog nobody answers.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace jotanor::test {

using DialogStep = std::function<void(QDialog&)>;

inline void withDialogs(const std::vector<DialogStep>& steps, const std::function<void()>& run) {
    std::size_t next = 0;
    QWidget* handled = nullptr;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* active = QApplication::activeModalWidget();
        if (active != handled) handled = nullptr;
        auto* dialog = qobject_cast<QDialog*>(active);
        if (!dialog || dialog == handled || !dialog->isVisible()) return;
        handled = dialog;
        if (next < steps.size()) {
            steps[next++](*dialog);
        } else {
            ADD_FAILURE() << "unexpected dialog " << dialog->objectName().toStdString();
            dialog->reject();
        }
    });
    timer.start();
    run();
    timer.stop();
    EXPECT_EQ(next, steps.size()) << "dialogs answered";
}

}  // namespace jotanor::test
