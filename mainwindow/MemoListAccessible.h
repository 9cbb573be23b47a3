// How a screen reader meets ListBox1: as a list with one item per memo,
// read as its date and its two lines; the blank lines and dividers that
// the window draws between them are not items. The table view underneath
// would show itself as a table with numbered row and column headers.
#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <unordered_map>

#include "platform/AccessibleItem.h"

class QTableView;

namespace jotanor {

// One memo of the list, its block of lines; it reads the view's model
// each time it is asked, so it stays right when the list is filled anew.
class MemoAccessible : public AccessibleItem {
public:
    MemoAccessible(QTableView* view, int block) : view_(view), block_(block) {}

    int block() const { return block_; }

    bool isValid() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

private:
    // The block's line `part` (0: the date, 3: the divider).
    QModelIndex index(int part = 0) const;
    bool holds(const QModelIndex& i) const;
    // The block's lines in the viewport.
    QRect linesRect() const;

    QPointer<QTableView> view_;
    int block_;
};

// The list itself: its children are its memos and nothing else. Their
// interfaces are made when asked for, so a list of 65,536 memos costs
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

    mutable std::unordered_map<int, QAccessible::Id> memos_;
};

// Makes every MemoListBox known to the accessibility layer as a list;
// safe to call more than once.
void installMemoListAccessibility();

}  // namespace jotanor
