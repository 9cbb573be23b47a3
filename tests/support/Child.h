// Widget tests reach a window's widgets the way assistive technology does:
// by the component name each carries as its objectName.
#pragma once

#include <QAction>
#include <QDialog>
#include <QObject>
#include <QString>
#include <gtest/gtest.h>
#include <vector>

namespace jotanor::test {

// The one object of type T named `name` in `window`: among its widgets,
// its menus and actions, and the dialogs it owns, but not inside those
// dialogs, which are windows of their own. None, or more than one, ends
// the test program with the reason.
template <class T = QWidget>
T* child(const QObject& window, const QString& name) {
    std::vector<T*> found;
    auto visit = [&](const QObject& parent, auto& self) -> void {
        for (QObject* c : parent.children()) {
            if (c->objectName() == name)
                if (auto* match = dynamic_cast<T*>(c)) found.push_back(match);
            if (!qobject_cast<QDialog*>(c)) self(*c, self);
        }
    };
    visit(window, visit);
    if (found.size() != 1) {
        ADD_FAILURE() << found.size() << " objects named " << name.toStdString() << " in "
                      << window.objectName().toStdString();
        qFatal("no one object named %s", qPrintable(name));
    }
    return found.front();
}

template <class T = QWidget>
T* child(const QObject* window, const QString& name) {
    return child<T>(*window, name);
}

// Runs the window's command `name` as its menu item or its key does.
inline void trigger(const QObject& window, const QString& name) { child<QAction>(window, name)->trigger(); }

}  // namespace jotanor::test
