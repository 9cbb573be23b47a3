#include "mainwindow/MemoListAccessible.h"

#include <QItemSelectionModel>
#include <QTableView>

#include "mainwindow/MemoListBox.h"
#include "diary/MemoViews.h"

namespace jotanor {

// ------------------------------------------------------------- one memo

QModelIndex MemoAccessible::index(int part) const {
    if (!view_ || !view_->model()) return {};
    return view_->model()->index(block_ * kBlockLines + part, 0);
}

bool MemoAccessible::holds(const QModelIndex& i) const { return i.isValid() && blockOfRow(i.row()) == block_; }

QRect MemoAccessible::linesRect() const {
    return view_->visualRect(index(0)).united(view_->visualRect(index(kBlockLines - 1)));
}

bool MemoAccessible::isValid() const { return index(kBlockLines - 1).isValid(); }

QWindow* MemoAccessible::window() const { return view_ ? view_->window()->windowHandle() : nullptr; }

QAccessibleInterface* MemoAccessible::parent() const {
    return view_ ? QAccessible::queryAccessibleInterface(view_.data()) : nullptr;
}

QString MemoAccessible::text(QAccessible::Text t) const {
    if (!isValid()) return {};
    const QLatin1String mark(kTodayMark.data(), static_cast<qsizetype>(kTodayMark.size()));
    QString date = index(0).data(Qt::DisplayRole).toString();
    const bool today = date.startsWith(mark);
    if (t == QAccessible::Description) return today ? QStringLiteral("vandaag") : QString();
    if (t != QAccessible::Name) return {};
    // The date, then each line that holds text; today's mark is the description.
    if (today) date.remove(0, mark.size());
    QStringList parts{date};
    for (int part : {1, 2})
        if (QString line = index(part).data(Qt::DisplayRole).toString(); !line.isEmpty()) parts << line;
    return parts.join(QStringLiteral(". "));
}

QRect MemoAccessible::rect() const {
    if (!isValid()) return {};
    const QRect r = linesRect();
    return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State MemoAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.selectable = true;
    s.focusable = true;
    if (const auto* selection = view_->selectionModel())
        for (const QModelIndex& i : selection->selectedIndexes()) s.selected = s.selected || holds(i);
    if (view_->hasFocus() && holds(view_->currentIndex())) s.focused = true;
    if (!view_->viewport()->rect().intersects(linesRect())) s.offscreen = true;
    return s;
}

// ------------------------------------------------------------- the list

MemoListAccessible::MemoListAccessible(QTableView* view) : QAccessibleWidget(view, QAccessible::List) {}

MemoListAccessible::~MemoListAccessible() {
    for (const auto& [block, id] : memos_) QAccessible::deleteAccessibleInterface(id);
}

QTableView* MemoListAccessible::view() const { return static_cast<QTableView*>(widget()); }

int MemoListAccessible::childCount() const {
    return view()->model() ? view()->model()->rowCount() / kBlockLines : 0;
}

QAccessibleInterface* MemoListAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) return nullptr;
    if (auto found = memos_.find(index); found != memos_.end())
        return QAccessible::accessibleInterface(found->second);
    auto* memo = new MemoAccessible(view(), index);
    memos_[index] = QAccessible::registerAccessibleInterface(memo);
    return memo;
}

int MemoListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* memo = dynamic_cast<const MemoAccessible*>(child);
    return memo && memo->isValid() && memo->parent() == this ? memo->block() : -1;
}

QAccessibleInterface* MemoListAccessible::childAt(int x, int y) const {
    const QPoint at = view()->viewport()->mapFromGlobal(QPoint(x, y));
    const QModelIndex i = view()->indexAt(at);
    return i.isValid() ? child(blockOfRow(i.row())) : nullptr;
}

QAccessibleInterface* MemoListAccessible::focusChild() const {
    const QModelIndex i = view()->currentIndex();
    return view()->hasFocus() && i.isValid() ? child(blockOfRow(i.row())) : nullptr;
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
