// How a screen reader meets ListBox1: as a list whose items are the list's
// lines, each named by its text. The table view underneath would show
// itself as a table with numbered row and column headers.
#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <unordered_map>

#include "platform/AccessibleItem.h"

class QTableView;

namespace jotanor {

// One line of the list; it reads the view's model each time it is asked,
// so it stays right when the list is filled anew.
class MemoLineAccessible : public AccessibleItem {
public:
    MemoLineAccessible(QTableView* view, int row) : view_(view), row_(row) {}

    int row() const { return row_; }

    bool isValid() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

private:
    QModelIndex index() const;

    QPointer<QTableView> view_;
    int row_;
};

// The list itself: its children are its lines and nothing else. Line
// interfaces are made when asked for, so a list of 262,144 lines costs
// nothing until a screen reader walks it.
class MemoListAccessible : public QAccessibleWidget {
public:
    explicit MemoListAccessible(QTableView* view);
    ~MemoListAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    QTableView* view() const;

    mutable std::unordered_map<int, QAccessible::Id> lines_;
};

// Makes every MemoListBox known to the accessibility layer as a list;
// safe to call more than once.
void installMemoListAccessibility();

}  // namespace jotanor
