// What the screen-reader items of the program's own widgets (the list's
// lines, the calendar's cells) share: no object of their own, no children,
// and a text that only the widget changes.
#pragma once

#include <QAccessible>

namespace jotanor {

class AccessibleItem : public QAccessibleInterface {
public:
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}
};

// Installs an accessibility factory once for the whole run.
template <QAccessible::InterfaceFactory factory>
void installAccessibilityOnce() {
    static const bool installed = (QAccessible::installFactory(factory), true);
    (void)installed;
}

}  // namespace jotanor
