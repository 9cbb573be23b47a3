// The calendar dialog: four month grids with week numbers, the holiday
// panel, the memos of the chosen day, and the requests to enter a memo or
// to list the memos from the chosen day on.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <set>

#include "calendar/core/CalendarGrid.h"
#include "widgets/Dialog.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace jotanor {

class MemoFile;

// One month grid, painted cell by cell from the month it is given, with
// the marked day yellow and the chosen day red.
class MonthGridWidget : public QWidget {
    Q_OBJECT

public:
    // Colours of the cells, as the dialog paints them.
    static QColor colourOf(CellColour colour);

    MonthGridWidget(const Ymd& chosenDay, const Ymd& todayMark, QWidget* parent);

    void setGrid(const MonthGrid& grid);
    const MonthGrid& grid() const { return grid_; }
    // Top-left corner of a cell in widget coordinates.
    QPoint cellOrigin(int row, int column) const;
    CellColour cellColour(int row, int column) const;
    // Whether a cell holds the chosen day, or the day marked as today.
    bool isChosen(int row, int column) const { return holds(row, column, chosenDay_); }
    bool isToday(int row, int column) const { return holds(row, column, todayMark_); }
    // Tells a screen reader that the chosen day moved.
    void announceChosenDay();
    // What a screen reader says of a day beyond its date (its memos, its
    // feast day); asked only when a day is read.
    void setDayNotes(std::function<QString(const Ymd&)> notes) { dayNotes_ = std::move(notes); }
    QString dayNotes(const Ymd& day) const { return dayNotes_ ? dayNotes_(day) : QString(); }

signals:
    void pressed(int row, int column);
    void doubleClicked();
    // An arrow key: the chosen day is to move by this many days.
    void stepped(int days);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool holds(int row, int column, const Ymd& day) const;

    const Ymd& chosenDay_;
    const Ymd& todayMark_;
    MonthGrid grid_;
    std::function<QString(const Ymd&)> dayNotes_;
};

// What the calendar was closed with.
enum class CalendarRequest {
    EnterMemo,     // "Memo Invoer", a double click on a day, or the key I
    ListFromDate,  // "Memo's vanaf datum"
    Closed,        // "&Afsluiten", Escape or the close box
};

struct CalendarAnswer {
    CalendarRequest request = CalendarRequest::Closed;
    Ymd day{};               // the chosen day as the dialog closed
    bool dayChosen = false;  // whether the user chose that day, here or before
};

class Tkalenderdlg : public Dialog {
    Q_OBJECT

public:
    // `memos` is the memo file whose memos of the chosen day it lists.
    Tkalenderdlg(QWidget* parent, const DialogContext& context, MemoFile& memos);

    // Shows the calendar for the entry command. `dayChosen` tells whether
    // a day was chosen in an earlier opening; "&Afsluiten" drops it.
    CalendarAnswer ask(bool dayChosen);
    // Shows the calendar to pick a day for another command, with its own
    // caption and entry-button caption and without "Memo's vanaf datum";
    // the calendar's own captions come back afterwards.
    CalendarAnswer pickDay(const QString& caption, const QString& buttonCaption, bool dayChosen);

    // Whether the user chose the day that is red in the grids.
    bool dayChosen() const { return dayChosen_; }
    MonthOfYear shown() const { return {shownYear_, shownMonth_}; }

protected:
    void FormCreate();
    void FormActivate() override;
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
    // The arrow keys on a grid: the chosen day moves, and the grids follow
    // when it leaves the four months.
    void stepChosenDay(int days);
    void invoerbtnClick();
    void vanafbtnClick();
    void okbtnClick();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildComponents();
    CalendarAnswer run(bool dayChosen);
    void setYearControls(int year);
    void redisplay() { _4maanden(shownYear_, shownMonth_); }
    // Runs a handler; an error is shown and the dialog stays open.
    void guarded(const std::function<void()>& handler) { context_.errors.guarded(handler); }
    bool FormKeyDown(int key);
    // "memo's" when the memo file holds a memo of `day`, and its feast day.
    QString dayNotes(const Ymd& day);

    MemoFile& memos_;
    // The days that hold memos, read once an opening when a day is first read.
    std::optional<std::set<DaySerial>> memoDays_;
    std::array<MonthGridWidget*, 4> grids_{};     // StringGrid1 to StringGrid4
    std::array<QLabel*, 4> monthHeadings_{};      // Label1 to Label4
    QSpinBox* centurySpin_ = nullptr;             // SpinEdit1
    QLineEdit* yearDigits_ = nullptr;             // Edit1
    QToolButton* yearUp_ = nullptr;               // SpinButton1Up, in SpinButton1
    QToolButton* yearDown_ = nullptr;             // SpinButton1Down
    QPushButton* todayButton_ = nullptr;          // Nubtn
    // The holiday panel's Label5 to Label19, by number (0 to 4 unused).
    std::array<QLabel*, 20> feastLabels_{};
    QPushButton* entryButton_ = nullptr;          // invoerbtn
    QPushButton* fromDateButton_ = nullptr;       // vanafbtn
    QPushButton* closeButton_ = nullptr;          // okbtn
    QPlainTextEdit* dayMemos_ = nullptr;          // Memo1

    Ymd openingDate_{};
    std::uint16_t shownYear_ = 0;
    std::uint16_t shownMonth_ = 1;
    Ymd todayMark_{};
    Ymd chosenDay_{};
    bool dayChosen_ = false;
    CalendarRequest request_ = CalendarRequest::Closed;
    std::array<MonthOfYear, 4> gridMonths_{};
};

}  // namespace jotanor
