#include "mainwindow/MemoListAccessible.h"

#include <QItemSelectionModel>
#include <QTableView>

#include "mainwindow/MemoListBox.h"

namespace jotanor {

// ------------------------------------------------------------- one line

QModelIndex MemoLineAccessible::index() const {
    if (!view_ || !view_->model()) return {};
    return view_->model()->index(row_, 0);
}

bool MemoLineAccessible::isValid() const { return index().isValid(); }

QWindow* MemoLineAccessible::window() const { return view_ ? view_->window()->windowHandle() : nullptr; }

QAccessibleInterface* MemoLineAccessible::parent() const {
    return view_ ? QAccessible::queryAccessibleInterface(view_.data()) : nullptr;
}

QString MemoLineAccessible::text(QAccessible::Text t) const {
    if (t != QAccessible::Name) return {};
    return index().data(Qt::DisplayRole).toString();
}

QRect MemoLineAccessible::rect() const {
    const QModelIndex i = index();
    if (!i.isValid()) return {};
    const QRect r = view_->visualRect(i);
    return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State MemoLineAccessible::state() const {
    QAccessible::State s;
    const QModelIndex i = index();
    if (!i.isValid()) {
        s.invalid = true;
        return s;
    }
    s.selectable = true;
    s.focusable = true;
    if (view_->selectionModel() && view_->selectionModel()->isSelected(i)) s.selected = true;
    if (view_->hasFocus() && view_->currentIndex() == i) s.focused = true;
    if (!view_->viewport()->rect().intersects(view_->visualRect(i))) s.offscreen = true;
    return s;
}

// ------------------------------------------------------------- the list

MemoListAccessible::MemoListAccessible(QTableView* view) : QAccessibleWidget(view, QAccessible::List) {}

MemoListAccessible::~MemoListAccessible() {
    for (const auto& [row, id] : lines_) QAccessible::deleteAccessibleInterface(id);
}

QTableView* MemoListAccessible::view() const { return static_cast<QTableView*>(widget()); }

int MemoListAccessible::childCount() const { return view()->model() ? view()->model()->rowCount() : 0; }

QAccessibleInterface* MemoListAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) return nullptr;
    if (auto found = lines_.find(index); found != lines_.end())
        return QAccessible::accessibleInterface(found->second);
    auto* line = new MemoLineAccessible(view(), index);
    lines_[index] = QAccessible::registerAccessibleInterface(line);
    return line;
}

int MemoListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* line = dynamic_cast<const MemoLineAccessible*>(child);
    return line && line->isValid() && line->parent() == this ? line->row() : -1;
}

QAccessibleInterface* MemoListAccessible::childAt(int x, int y) const {
    const QPoint at = view()->viewport()->mapFromGlobal(QPoint(x, y));
    const QModelIndex i = view()->indexAt(at);
    return i.isValid() ? child(i.row()) : nullptr;
}

QAccessibleInterface* MemoListAccessible::focusChild() const {
    const QModelIndex i = view()->currentIndex();
    return view()->hasFocus() && i.isValid() ? child(i.row()) : nullptr;
}

// ------------------------------------------------------------- the factory

namespace {

QAccessibleInterface* memoListFactory(const QString&, QObject* object) {
    if (auto* list = dynamic_cast<MemoListBox*>(object)) return new MemoListAccessible(list);
    return nullptr;
}

}  // namespace

void installMemoListAccessibility() {
    installAccessibilityOnce<memoListFactory>();
}

}  // namespace jotanor
