#include "calendar/MonthGridAccessible.h"

#include "calendar/Tkalenderdlg.h"

namespace jotanor {

// ------------------------------------------------------------- one cell

QWindow* MonthCellAccessible::window() const { return grid_ ? grid_->window()->windowHandle() : nullptr; }

QAccessibleInterface* MonthCellAccessible::parent() const {
    return grid_ ? QAccessible::queryAccessibleInterface(grid_.data()) : nullptr;
}

QString MonthCellAccessible::text(QAccessible::Text t) const {
    if (!grid_) return {};
    const int day = grid_->grid().day(row_, column_);
    const MonthOfYear month = grid_->grid().month();
    // A heading, a week number or a blank cell reads as it shows.
    if (day == 0) return t == QAccessible::Name ? QString::fromStdString(grid_->grid().text(row_, column_)).trimmed()
                                                 : QString();
    // A day is read with its weekday, month and year, not as a bare number.
    const Ymd date{month.year, month.month, static_cast<std::uint16_t>(day)};
    if (t == QAccessible::Name)
        return QString::fromStdString(dagnamen(dayOfWeek(encodeDate(date))) + " " + std::to_string(day) + " " +
                                      maandnamen(month.month) + " " + std::to_string(month.year));
    if (t != QAccessible::Description) return {};
    QStringList notes;
    if (grid_->isToday(row_, column_)) notes << QStringLiteral("vandaag");
    if (const QString more = grid_->dayNotes(date); !more.isEmpty()) notes << more;
    return notes.join(", ");
}

QRect MonthCellAccessible::rect() const {
    if (!grid_) return {};
    return QRect(grid_->mapToGlobal(grid_->cellOrigin(row_, column_)), QSize(kCellWidth, kCellHeight));
}

QAccessible::Role MonthCellAccessible::role() const {
    if (row_ == 0) return QAccessible::ColumnHeader;
    if (column_ == 0) return QAccessible::RowHeader;
    return QAccessible::Cell;
}

QAccessible::State MonthCellAccessible::state() const {
    QAccessible::State s;
    if (!grid_) {
        s.invalid = true;
        return s;
    }
    if (grid_->grid().day(row_, column_) == 0) return s;
    s.selectable = true;
    s.focusable = true;
    if (grid_->isChosen(row_, column_)) {
        s.selected = true;
        s.focused = grid_->hasFocus();
    }
    return s;
}

void* MonthCellAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableCellInterface && row_ > 0 && column_ > 0)
        return static_cast<QAccessibleTableCellInterface*>(this);
    return nullptr;
}

bool MonthCellAccessible::isSelected() const { return grid_ && grid_->isChosen(row_, column_); }

QList<QAccessibleInterface*> MonthCellAccessible::columnHeaderCells() const {
    QAccessibleInterface* t = parent();
    return t ? QList<QAccessibleInterface*>{t->child(column_)} : QList<QAccessibleInterface*>{};
}

QList<QAccessibleInterface*> MonthCellAccessible::rowHeaderCells() const {
    QAccessibleInterface* t = parent();
    return t ? QList<QAccessibleInterface*>{t->child(row_ * MonthGrid::kColumns)} : QList<QAccessibleInterface*>{};
}

// ------------------------------------------------------------- the grid

MonthGridAccessible::MonthGridAccessible(MonthGridWidget* grid) : QAccessibleWidget(grid, QAccessible::Table) {}

MonthGridAccessible::~MonthGridAccessible() {
    for (QAccessible::Id id : cells_)
        if (id) QAccessible::deleteAccessibleInterface(id);
}

MonthGridWidget* MonthGridAccessible::grid() const { return static_cast<MonthGridWidget*>(widget()); }

QString MonthGridAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name)
        return grid()->grid().month().month != 0 ? QString::fromStdString(monthHeading(grid()->grid().month()))
                                                 : QStringLiteral("Maand");
    return QAccessibleWidget::text(t);
}

QAccessibleInterface* MonthGridAccessible::child(int index) const {
    if (index < 0 || index >= kCells) return nullptr;
    if (!cells_[index])
        cells_[index] = QAccessible::registerAccessibleInterface(
            new MonthCellAccessible(grid(), index / MonthGrid::kColumns, index % MonthGrid::kColumns));
    return QAccessible::accessibleInterface(cells_[index]);
}

int MonthGridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = dynamic_cast<const MonthCellAccessible*>(child);
    return cell && cell->parent() == this ? cell->index() : -1;
}

QAccessibleInterface* MonthGridAccessible::childAt(int x, int y) const {
    const QPoint at = grid()->mapFromGlobal(QPoint(x, y)) - grid()->cellOrigin(0, 0);
    const auto cell = jotanor::cellAt(at.x(), at.y());  // the point, not the table's cellAt
    return cell ? child(cell->row * MonthGrid::kColumns + cell->column) : nullptr;
}

QAccessibleInterface* MonthGridAccessible::focusChild() const {
    const int chosen = chosenCell(*grid());
    return grid()->hasFocus() && chosen >= 0 ? child(chosen) : nullptr;
}

void* MonthGridAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* MonthGridAccessible::cellAt(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
    return child((row + 1) * MonthGrid::kColumns + column + 1);
}

QString MonthGridAccessible::columnDescription(int column) const {
    return QString::fromStdString(grid()->grid().text(0, column + 1));
}

QString MonthGridAccessible::rowDescription(int row) const {
    return QString::fromStdString(grid()->grid().text(row + 1, 0)).trimmed();
}

QList<QAccessibleInterface*> MonthGridAccessible::selectedCells() const {
    const int chosen = chosenCell(*grid());
    return chosen < 0 ? QList<QAccessibleInterface*>{} : QList<QAccessibleInterface*>{child(chosen)};
}

int MonthGridAccessible::chosenCell(const MonthGridWidget& grid) {
    for (int r = 1; r < MonthGrid::kRows; ++r)
        for (int c = 1; c < MonthGrid::kColumns; ++c)
            if (grid.isChosen(r, c)) return r * MonthGrid::kColumns + c;
    return -1;
}

// ------------------------------------------------------------- the factory

namespace {

QAccessibleInterface* monthGridFactory(const QString&, QObject* object) {
    if (auto* grid = qobject_cast<MonthGridWidget*>(object)) return new MonthGridAccessible(grid);
    return nullptr;
}

}  // namespace

void installMonthGridAccessibility() {
    installAccessibilityOnce<monthGridFactory>();
}

}  // namespace jotanor
