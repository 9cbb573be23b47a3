// The memo list: one column of text lines of equal height. A table view
// serves, because it lays out any number of equal rows at once, where a
// list view walks every row; with headers and grid hidden it looks and
// acts as a list box, and a screen reader meets it as a list
// (MemoListAccessible).
#pragma once

#include <QAccessible>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>

#include "mainwindow/MemoListAccessible.h"
#include "diary/MemoViews.h"

namespace jotanor {

// Draws each line as one run of plain text: the lines never wrap or elide,
// so the general item painter's text layout is work for nothing.
class MemoLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) painter->fillRect(option.rect, option.palette.highlight());
        painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        painter->setFont(option.font);
        painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
    }
};

class MemoListBox : public QTableView {
public:
    explicit MemoListBox(QWidget* parent = nullptr) : QTableView(parent) {
        horizontalHeader()->hide();
        horizontalHeader()->setStretchLastSection(true);
        verticalHeader()->hide();
        verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        setShowGrid(false);
        setWordWrap(false);
        setTextElideMode(Qt::ElideNone);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setTabKeyNavigation(false);
        setItemDelegate(new MemoLineDelegate(this));
        fitRowsToFont();
        installMemoListAccessibility();
    }

    // A step past either end of the list: the window's beep.
    std::function<void()> pastTheEnd;

protected:
    // The table view tells the screen reader of focus and selection by its
    // cell numbering, headers counted; the list's children are its memos,
    // each told once, as the cursor enters it.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        if (QAccessible::isActive() && current.isValid() && !sameMemo(current, previous))
            announce(QAccessible::Focus, current);
        QAbstractItemView::currentChanged(current, previous);
    }
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override {
        if (QAccessible::isActive()) {
            const QModelIndex in = selected.isEmpty() ? QModelIndex() : QModelIndex(selected.first().topLeft());
            const QModelIndex out = deselected.isEmpty() ? QModelIndex() : QModelIndex(deselected.first().topLeft());
            if (in.isValid() && !sameMemo(in, out)) announce(QAccessible::SelectionAdd, in);
            if (out.isValid() && !sameMemo(in, out)) announce(QAccessible::SelectionRemove, out);
        }
        QAbstractItemView::selectionChanged(selected, deselected);
    }

    // Ctrl+Down and Ctrl+Up go to the next memo and to the start of this or
    // the previous one: a memo at a time, as a screen reader reads them.
    // Home and End go to the first and the last memo. A step past either
    // end beeps and tells the memo under the cursor again.
    void keyPressEvent(QKeyEvent* event) override {
        const int row = memoStep(event->key(), event->modifiers());
        if (row == kNoStep || !model()) {
            QTableView::keyPressEvent(event);
            return;
        }
        event->accept();
        if (row >= 0 && row < model()->rowCount()) {
            setCurrentIndex(model()->index(row, 0));
            return;
        }
        if (pastTheEnd) pastTheEnd();
        if (QAccessible::isActive() && currentIndex().isValid()) announce(QAccessible::Focus, currentIndex());
    }

    void changeEvent(QEvent* event) override {
        QTableView::changeEvent(event);
        if (event->type() == QEvent::FontChange) fitRowsToFont();
    }

private:
    static constexpr int kNoStep = -2;
    // The row a memo key leads to; -1 past the list's ends; kNoStep for
    // any other key.
    int memoStep(int key, Qt::KeyboardModifiers modifiers) const {
        const int rows = model() ? model()->rowCount() : 0;
        const QModelIndex at = currentIndex();
        if (key == Qt::Key_Home) return rows > 0 ? 0 : -1;
        if (key == Qt::Key_End) return rows > 0 ? blockOfRow(rows - 1) * kBlockLines : -1;
        if (!(modifiers & Qt::ControlModifier)) return kNoStep;
        if (key == Qt::Key_Down) {
            const int next = at.isValid() ? (blockOfRow(at.row()) + 1) * kBlockLines : 0;
            return next < rows ? next : -1;
        }
        if (key != Qt::Key_Up) return kNoStep;
        if (!at.isValid()) return rows > 0 ? 0 : -1;
        return at.row() % kBlockLines != 0 ? blockOfRow(at.row()) * kBlockLines : at.row() - kBlockLines;
    }
    static bool sameMemo(const QModelIndex& a, const QModelIndex& b) {
        return a.isValid() && b.isValid() && blockOfRow(a.row()) == blockOfRow(b.row());
    }
    void announce(QAccessible::Event type, const QModelIndex& index) {
        QAccessibleEvent event(this, type);
        event.setChild(blockOfRow(index.row()));
        QAccessible::updateAccessibility(&event);
    }
    void fitRowsToFont() {
        verticalHeader()->setMinimumSectionSize(1);
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 1);
    }
};

}  // namespace jotanor
