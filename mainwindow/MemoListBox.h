// The memo list: one column of text lines of equal height. A table view
// serves, because it lays out any number of equal rows at once, where a
// list view walks every row; with headers and grid hidden it looks and
// acts as a list box.
#pragma once

#include <QEvent>
#include <QHeaderView>
#include <QTableView>

namespace jotanor {

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
        fitRowsToFont();
    }

protected:
    void changeEvent(QEvent* event) override {
        QTableView::changeEvent(event);
        if (event->type() == QEvent::FontChange) fitRowsToFont();
    }

private:
    void fitRowsToFont() {
        verticalHeader()->setMinimumSectionSize(1);
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 1);
    }
};

}  // namespace jotanor
