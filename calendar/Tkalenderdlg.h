// The calendar dialog: four month grids with week numbers, the holiday
// panel, the memos of the chosen day, and the requests to enter a memo or
// to list the memos from the chosen day on.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "calendar/core/CalendarGrid.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace jotanor {

class Tform1;
struct MainState;

// One month grid, painted cell by cell from the month it is given.
class MonthGridWidget : public QWidget {
    Q_OBJECT

public:
    // Colours of the cells, as the dialog paints them.
    static QColor colourOf(CellColour colour);

    MonthGridWidget(const MainState& state, const Ymd& todayMark, QWidget* parent);

    void setGrid(const MonthGrid& grid);
    const MonthGrid& grid() const { return grid_; }
    // Top-left corner of a cell in widget coordinates.
    QPoint cellOrigin(int row, int column) const;
    CellColour cellColour(int row, int column) const;

signals:
    void pressed(int row, int column);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const MainState& state_;
    const Ymd& todayMark_;
    MonthGrid grid_;
};

class Tkalenderdlg : public QDialog {
    Q_OBJECT

public:
    explicit Tkalenderdlg(Tform1& form);

    void FormCreate();
    void FormActivate();
    void _4maanden(int year, int month);
    void vulgrid(int index, MonthOfYear month);
    void feestdagen(int year);
    void vandaagmemos();

    void incmaandbtnClick();
    void decmaandbtnClick();
    void SpinEdit1Change();
    void Edit1Change();
    void SpinButton1UpClick();
    void SpinButton1DownClick();
    void NubtnClick();
    void StringGridMouseDown(int grid, int row, int column);
    void StringGridDblClick();
    void invoerbtnClick();
    void vanafbtnClick();
    void okbtnClick();

    // Puts back what the print dialog changes: the caption, the entry
    // button's caption and the from-date button.
    void herstelKnoppen();

    const Ymd& openingDate() const { return openingDate_; }
    MonthOfYear shown() const { return {shownYear_, shownMonth_}; }
    const Ymd& todayMark() const { return todayMark_; }
    const std::array<MonthOfYear, 4>& gridMonths() const { return gridMonths_; }

    // Components, named as in the window layout.
    std::array<MonthGridWidget*, 4> StringGrid{};
    std::array<QLabel*, 4> monthLabel{};  // Label1 to Label4
    QPushButton* incmaandbtn = nullptr;
    QPushButton* decmaandbtn = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QWidget* SpinButton1 = nullptr;
    QToolButton* SpinButton1Up = nullptr;
    QToolButton* SpinButton1Down = nullptr;
    QLabel* label20 = nullptr;
    QPushButton* Nubtn = nullptr;
    QWidget* feestpanel = nullptr;
    // Label5 to Label19 of the holiday panel, by number (index 0 to 4 unused).
    std::array<QLabel*, 20> panelLabel{};
    QPushButton* invoerbtn = nullptr;
    QPushButton* vanafbtn = nullptr;
    QPushButton* okbtn = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildComponents();
    void setYearControls(int year);
    void redisplay() { _4maanden(shownYear_, shownMonth_); }
    // Runs a handler of the dialog; an error is shown by the main window.
    void guarded(const std::function<void()>& handler);
    bool FormKeyDown(int key);

    Tform1& form_;
    MainState& state_;
    Ymd openingDate_{};
    std::uint16_t shownYear_ = 0;
    std::uint16_t shownMonth_ = 1;
    Ymd todayMark_{};
    std::array<MonthOfYear, 4> gridMonths_{};
};

}  // namespace jotanor
