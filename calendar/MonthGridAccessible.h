// How a screen reader meets a painted month grid: a table named by its
// month, whose cells are the day headings, the week numbers and the days,
// each named by its text. The chosen day is selected (and focused while
// the grid has the keyboard); the day marked as today says so. As a table
// it has six rows of seven days, headed by the day names and the week
// numbers.
#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <array>

#include "calendar/core/CalendarGrid.h"
#include "platform/AccessibleItem.h"

namespace jotanor {

class MonthGridWidget;

class MonthCellAccessible : public AccessibleItem, public QAccessibleTableCellInterface {
public:
    MonthCellAccessible(MonthGridWidget* grid, int row, int column) : grid_(grid), row_(row), column_(column) {}

    int index() const { return row_ * MonthGrid::kColumns + column_; }

    bool isValid() const override { return !grid_.isNull(); }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // As a cell of the table of days, headings not counted.
    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override;
    int columnIndex() const override { return column_ - 1; }
    int rowIndex() const override { return row_ - 1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<MonthGridWidget> grid_;
    int row_;
    int column_;
};

class MonthGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    static constexpr int kCells = MonthGrid::kRows * MonthGrid::kColumns;

    explicit MonthGridAccessible(MonthGridWidget* grid);
    ~MonthGridAccessible() override;

    QString text(QAccessible::Text t) const override;
    int childCount() const override { return kCells; }
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // The table of days: rows and columns count from the first week and Sunday.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int rowCount() const override { return MonthGrid::kRows - 1; }
    int columnCount() const override { return MonthGrid::kColumns - 1; }
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedCellCount() const override { return chosenCell(*grid()) < 0 ? 0 : 1; }
    QList<QAccessibleInterface*> selectedCells() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

    // The index of the chosen day's cell; -1 when this grid does not show it.
    static int chosenCell(const MonthGridWidget& grid);

private:
    MonthGridWidget* grid() const;

    mutable std::array<QAccessible::Id, kCells> cells_{};
};

// Makes every MonthGridWidget known to the accessibility layer as a
// table; safe to call more than once.
void installMonthGridAccessibility();

}  // namespace jotanor
