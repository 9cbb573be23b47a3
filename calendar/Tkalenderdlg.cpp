// The calendar dialog's widgets; what they show is worked out in
// calendar/core/CalendarGrid.
#include "calendar/Tkalenderdlg.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <qdrawutil.h>

#include "widgets/DayMemoPanel.h"
#include "calendar/MonthGridAccessible.h"
#include "diary/HolidayMemos.h"
#include "store/Errors.h"
#include "store/MemoFile.h"

namespace jotanor {
namespace {

const QColor kGrey(128, 128, 128);
const QColor kAqua(0, 255, 255);
// The grids' cells start inside a sunken border of two pixels.
constexpr int kBorder = 2;

QFont arialPixels(int pixels) {
    QFont f("Arial");
    f.setPixelSize(pixels);
    return f;
}

QString qs(const std::string& s) { return QString::fromStdString(s); }

QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    return b;
}

QLabel* label(QWidget* parent, const QString& name, QPoint at) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->move(at);
    return l;
}

void setLabel(QLabel* l, const QString& text) {
    l->setText(text);
    l->adjustSize();
}

}  // namespace

// ---------------------------------------------------------------- the grid

QColor MonthGridWidget::colourOf(CellColour colour) {
    switch (colour) {
    case CellColour::Silver: return QColor(192, 192, 192);
    case CellColour::Aqua: return kAqua;
    case CellColour::Yellow: return QColor(255, 255, 0);
    case CellColour::Red: return QColor(255, 0, 0);
    case CellColour::Grey: return kGrey;
    }
    return kGrey;
}

MonthGridWidget::MonthGridWidget(const Ymd& chosenDay, const Ymd& todayMark, QWidget* parent)
    : QWidget(parent), chosenDay_(chosenDay), todayMark_(todayMark) {
    setFont(arialPixels(11));  // Arial 8 points on the screen it was laid out for
    setFocusPolicy(Qt::StrongFocus);
    installMonthGridAccessibility();
}

bool MonthGridWidget::holds(int row, int column, const Ymd& day) const {
    const int d = grid_.day(row, column);
    return d != 0 && day.year == grid_.month().year && day.month == grid_.month().month && day.day == d;
}

void MonthGridWidget::announceChosenDay() {
    update();
    if (!QAccessible::isActive()) return;
    const int cell = MonthGridAccessible::chosenCell(*this);
    if (cell < 0) return;
    QAccessibleEvent selection(this, QAccessible::Selection);
    selection.setChild(cell);
    QAccessible::updateAccessibility(&selection);
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(cell);
        QAccessible::updateAccessibility(&focus);
    }
}

void MonthGridWidget::setGrid(const MonthGrid& grid) {
    grid_ = grid;
    update();
}

QPoint MonthGridWidget::cellOrigin(int row, int column) const {
    return {kBorder + column * (kCellWidth + kGridLine), kBorder + row * (kCellHeight + kGridLine)};
}

CellColour MonthGridWidget::cellColour(int row, int column) const {
    return grid_.colour(row, column, todayMark_, chosenDay_);
}

void MonthGridWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // What shows between the cells are the grid lines.
    p.fillRect(rect(), colourOf(CellColour::Silver));
    qDrawWinPanel(&p, rect(), palette(), true);
    p.setPen(Qt::black);
    p.setFont(font());
    for (int r = 0; r < MonthGrid::kRows; ++r) {
        for (int c = 0; c < MonthGrid::kColumns; ++c) {
            const QRect cell(cellOrigin(r, c), QSize(kCellWidth, kCellHeight));
            p.fillRect(cell, colourOf(cellColour(r, c)));
            p.drawText(cell.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, qs(grid_.text(r, c)));
            // The keyboard's place: a dotted frame on the chosen day.
            if (hasFocus() && isChosen(r, c)) {
                p.setPen(QPen(Qt::black, 1, Qt::DotLine));
                p.drawRect(cell.adjusted(0, 0, -1, -1));
                p.setPen(Qt::black);
            }
        }
    }
}

void MonthGridWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left: emit stepped(-1); break;
    case Qt::Key_Right: emit stepped(1); break;
    case Qt::Key_Up: emit stepped(-7); break;
    case Qt::Key_Down: emit stepped(7); break;
    // As a double click on the chosen day.
    case Qt::Key_Return:
    case Qt::Key_Enter: emit doubleClicked(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void MonthGridWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    announceChosenDay();
}

void MonthGridWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void MonthGridWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (auto cell = cellAt(at.x() - kBorder, at.y() - kBorder)) emit pressed(cell->row, cell->column);
}

// The double click chooses the day under it too, whether or not a press
// came before it.
void MonthGridWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    emit doubleClicked();
}

// -------------------------------------------------------------- the dialog

Tkalenderdlg::Tkalenderdlg(QWidget* parent, const DialogContext& context, MemoFile& memos)
    : Dialog(parent, context), memos_(memos) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setObjectName("kalenderdlg");
    setWindowTitle("Kalender");
    setFixedSize(610, 569);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kGrey);
    setPalette(pal);
    setAutoFillBackground(true);
    setFont(arialPixels(11));
    buildComponents();
    FormCreate();
}

void Tkalenderdlg::buildComponents() {
    const std::array<QRect, 4> gridPlaces = {QRect(8, 18, 292, 124), QRect(312, 18, 292, 123),
                                             QRect(8, 163, 292, 123), QRect(312, 162, 292, 123)};
    const std::array<QPoint, 4> labelPlaces = {QPoint(82, 1), QPoint(385, 2), QPoint(80, 145), QPoint(384, 145)};
    QPalette aqua = palette();
    aqua.setColor(QPalette::WindowText, kAqua);
    for (int k = 0; k < 4; ++k) {
        auto* g = new MonthGridWidget(chosenDay_, todayMark_, this);
        g->setObjectName(QString("StringGrid%1").arg(k + 1));
        g->setGeometry(gridPlaces[k]);
        connect(g, &MonthGridWidget::pressed, this,
                [this, k](int row, int column) { guarded([&] { StringGridMouseDown(k, row, column); }); });
        connect(g, &MonthGridWidget::doubleClicked, this, [this] { StringGridDblClick(); });
        connect(g, &MonthGridWidget::stepped, this, [this](int days) { guarded([&] { stepChosenDay(days); }); });
        g->setDayNotes([this](const Ymd& day) { return dayNotes(day); });
        grids_[k] = g;

        QLabel* l = label(this, QString("Label%1").arg(k + 1), labelPlaces[k]);
        l->setFont(arialPixels(13));
        l->setPalette(aqua);
        monthHeadings_[k] = l;
    }

    auto* nextMonth = button(this, "incmaandbtn", "+ maand", QRect(7, 293, 50, 22));
    auto* previousMonth = button(this, "decmaandbtn", "- maand", QRect(62, 293, 50, 22));
    connect(nextMonth, &QPushButton::clicked, this, [this] { guarded([this] { incmaandbtnClick(); }); });
    connect(previousMonth, &QPushButton::clicked, this, [this] { guarded([this] { decmaandbtnClick(); }); });

    centurySpin_ = new QSpinBox(this);
    centurySpin_->setObjectName("SpinEdit1");
    centurySpin_->setRange(0, kMaxCentury);
    centurySpin_->setGeometry(6, 317, 45, 22);
    yearDigits_ = new QLineEdit(this);
    yearDigits_->setObjectName("Edit1");
    yearDigits_->setGeometry(55, 317, 24, 22);
    auto* yearButtons = new QWidget(this);
    yearButtons->setObjectName("SpinButton1");
    yearButtons->setGeometry(80, 318, 18, 22);
    yearButtons->setAccessibleName("Jaar");
    yearUp_ = new QToolButton(yearButtons);
    yearUp_->setObjectName("SpinButton1Up");
    yearUp_->setArrowType(Qt::UpArrow);
    yearUp_->setGeometry(0, 0, 18, 11);
    yearDown_ = new QToolButton(yearButtons);
    yearDown_->setObjectName("SpinButton1Down");
    yearDown_->setArrowType(Qt::DownArrow);
    yearDown_->setGeometry(0, 11, 18, 11);
    setLabel(label(this, "label20", QPoint(106, 325)), "jaar");
    centurySpin_->setAccessibleName("Eeuw");
    yearDigits_->setAccessibleName("Jaar binnen de eeuw");
    yearUp_->setAccessibleName("Jaar verder");
    yearDown_->setAccessibleName("Jaar terug");
    connect(centurySpin_, &QSpinBox::valueChanged, this, [this] { guarded([this] { SpinEdit1Change(); }); });
    connect(yearDigits_, &QLineEdit::textChanged, this, [this] { guarded([this] { Edit1Change(); }); });
    connect(yearUp_, &QToolButton::clicked, this, [this] { guarded([this] { SpinButton1UpClick(); }); });
    connect(yearDown_, &QToolButton::clicked, this, [this] { guarded([this] { SpinButton1DownClick(); }); });

    todayButton_ = button(this, "Nubtn", "&Nu", QRect(6, 353, 75, 25));
    connect(todayButton_, &QPushButton::clicked, this, [this] { guarded([this] { NubtnClick(); }); });

    auto* panel = new QFrame(this);
    panel->setObjectName("feestpanel");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(128, 292, 361, 83);
    panel->setAccessibleName("Feestdagen");
    const std::array<int, 3> rowsY = {27, 42, 57};
    for (int i = 0; i < 3; ++i) {
        feastLabels_[5 + i] = label(panel, QString("Label%1").arg(5 + i), QPoint(16, rowsY[i]));
        feastLabels_[8 + i] = label(panel, QString("Label%1").arg(8 + i), QPoint(112, rowsY[i]));
        feastLabels_[14 + i] = label(panel, QString("Label%1").arg(14 + i), QPoint(192, rowsY[i]));
        feastLabels_[17 + i] = label(panel, QString("Label%1").arg(17 + i), QPoint(280, rowsY[i]));
    }
    feastLabels_[11] = label(panel, "Label11", QPoint(112, 11));
    feastLabels_[12] = label(panel, "Label12", QPoint(192, 11));
    feastLabels_[13] = label(panel, "Label13", QPoint(280, 11));

    entryButton_ = button(this, "invoerbtn", "Memo Invoer", QRect(496, 293, 108, 25));
    fromDateButton_ = button(this, "vanafbtn", "Memo's vanaf datum", QRect(496, 323, 108, 25));
    closeButton_ = button(this, "okbtn", "&Afsluiten", QRect(497, 353, 107, 25));
    connect(entryButton_, &QPushButton::clicked, this, [this] { invoerbtnClick(); });
    connect(fromDateButton_, &QPushButton::clicked, this, [this] { vanafbtnClick(); });
    connect(closeButton_, &QPushButton::clicked, this, [this] { okbtnClick(); });

    auto* memoBox = new QGroupBox("Memo's van de geselecteerde dag  ", this);
    memoBox->setObjectName("GroupBox1");
    memoBox->setGeometry(5, 382, 598, 184);
    memoBox->setPalette(aqua);
    dayMemos_ = new QPlainTextEdit(memoBox);
    dayMemos_->setObjectName("Memo1");
    dayMemos_->setGeometry(8, 18, 582, 158);
    dayMemos_->setReadOnly(true);
    dayMemos_->setAccessibleName("Memo's van de geselecteerde dag");
    dayMemos_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette memo = dayMemos_->palette();
    memo.setColor(QPalette::Text, Qt::black);
    memo.setColor(QPalette::Base, Qt::white);
    dayMemos_->setPalette(memo);

    // The dialog sees every key before its controls do.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

void Tkalenderdlg::FormCreate() {
    for (MonthGridWidget* g : grids_)
        g->setToolTip("Klik = De datum wordt geselecteerd.\nDubbelklik = Invoer voor deze datum.");
    fromDateButton_->setToolTip("Toon 4 weken vanaf \nde geselecteerde datum. ");
    todayButton_->setToolTip("Reset naar de huidige datum");
    entryButton_->setToolTip("Terug om een memo in te voeren \nvoor de geselecteerde datum");
    closeButton_->setToolTip("Terug zonder wijzigingen");
    openingDate_ = context_.today();
}

CalendarAnswer Tkalenderdlg::ask(bool dayChosen) { return run(dayChosen); }

CalendarAnswer Tkalenderdlg::pickDay(const QString& caption, const QString& buttonCaption, bool dayChosen) {
    setWindowTitle(caption);
    entryButton_->setText(buttonCaption);
    fromDateButton_->setEnabled(false);
    const CalendarAnswer answer = run(dayChosen);
    setWindowTitle("Kalender");
    entryButton_->setText("Memo Invoer");
    fromDateButton_->setEnabled(true);
    return answer;
}

CalendarAnswer Tkalenderdlg::run(bool dayChosen) {
    dayChosen_ = dayChosen;
    request_ = CalendarRequest::Closed;
    exec();
    return {request_, chosenDay_, dayChosen_};
}

void Tkalenderdlg::FormActivate() {
    grids_[0]->setFont(arialPixels(11));
    shownYear_ = openingDate_.year;
    shownMonth_ = openingDate_.month;
    todayMark_ = openingDate_;
    memoDays_.reset();  // the file may have changed since the last opening
    setYearControls(openingDate_.year);
    chosenDay_ = openingDate_;
    redisplay();
    vandaagmemos();
    // The keyboard starts on the chosen day, in the second grid.
    grids_[1]->setFocus();
}

// Sets the century and the two digits without running their change
// handlers; the caller displays the year itself.
void Tkalenderdlg::setYearControls(int year) {
    const QSignalBlocker century(centurySpin_);
    const QSignalBlocker digits(yearDigits_);
    centurySpin_->setValue(year / 100);
    yearDigits_->setText(qs(twoDigits(year % 100)));
}

void Tkalenderdlg::_4maanden(int year, int month) {
    gridMonths_ = fourMonths({static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month)});
    for (int k = 0; k < 4; ++k) setLabel(monthHeadings_[k], qs(monthHeading(gridMonths_[k])));
    for (int k = 0; k < 4; ++k) vulgrid(k, gridMonths_[k]);
    feestdagen(gridMonths_[3].year);
}

void Tkalenderdlg::vulgrid(int index, MonthOfYear month) { grids_[index]->setGrid(MonthGrid(month)); }

QString Tkalenderdlg::dayNotes(const Ymd& day) {
    if (!memoDays_) {
        memoDays_.emplace();
        try {
            memos_.scanBytes([this](const unsigned char* record, std::size_t) {
                memoDays_->insert(recordDate(record));
                return true;
            });
        } catch (const IoError&) {
            // A file that cannot be read has no memos to speak of.
        }
    }
    QStringList notes;
    if (memoDays_->contains(encodeDate(day))) notes << "memo's";
    if (day.year >= 1)
        for (const MemoRecord& feast : holidayMemos(day.year))
            if (feast.date == encodeDate(day)) notes << QString::fromStdString(feast.line1);
    return notes.join(", ");
}

void Tkalenderdlg::feestdagen(int year) {
    // There is no year before year 1; year 0 itself has no feast days.
    const bool before = year > 1;
    for (int n : {8, 9, 10}) feastLabels_[n]->setVisible(before);
    setLabel(feastLabels_[5], "Pasen       : ");
    setLabel(feastLabels_[6], "Hemelvaart  : ");
    setLabel(feastLabels_[7], "Pinksteren  : ");
    const std::array<std::array<int, 3>, 3> columns = {{{8, 9, 10}, {14, 15, 16}, {17, 18, 19}}};
    for (int i = 0; i < 3; ++i) {
        const int y = year - 1 + i;
        const auto texts = feastColumn(std::max(y, 0));
        for (int j = 0; j < 3; ++j) setLabel(feastLabels_[columns[i][j]], qs(texts[j]));
        setLabel(feastLabels_[11 + i], y < 0 ? QString() : QString::number(y));
    }
}

void Tkalenderdlg::vandaagmemos() {
    const Ymd d = chosenDay_;
    if (isValidDate(d.year, d.month, d.day)) {
        showDayMemos(*dayMemos_, [&] { return dayMemoLines(memos_, encodeDate(d)); });
    } else {
        dayMemos_->clear();
        dayMemos_->show();
    }
}

void Tkalenderdlg::incmaandbtnClick() {
    if (auto next = nextMonth(shown())) {
        shownYear_ = next->year;
        shownMonth_ = next->month;
        redisplay();
    }
}

void Tkalenderdlg::decmaandbtnClick() {
    if (auto previous = previousMonth(shown())) {
        shownYear_ = previous->year;
        shownMonth_ = previous->month;
        redisplay();
    }
}

void Tkalenderdlg::Edit1Change() {
    const int n = yearNumber(yearDigits_->text().toStdString());
    const QString digits = qs(twoDigits(n));
    if (yearDigits_->text() != digits) {
        const QSignalBlocker quiet(yearDigits_);
        yearDigits_->setText(digits);
    }
    shownYear_ = static_cast<std::uint16_t>(centurySpin_->value() * 100 + n);
    redisplay();
}

void Tkalenderdlg::SpinEdit1Change() {
    const int n = yearNumber(yearDigits_->text().toStdString());
    if (n == 0 && centurySpin_->value() == 0) {
        centurySpin_->setValue(1);  // runs this handler again: the year 100
        return;
    }
    shownYear_ = static_cast<std::uint16_t>(centurySpin_->value() * 100 + n);
    redisplay();
}

void Tkalenderdlg::SpinButton1UpClick() {
    if (auto step = spinUp(centurySpin_->value(), yearNumber(yearDigits_->text().toStdString()))) {
        yearDigits_->setText(qs(step->edit));
        centurySpin_->setValue(step->century);
    }
}

void Tkalenderdlg::SpinButton1DownClick() {
    if (auto step = spinDown(centurySpin_->value(), yearNumber(yearDigits_->text().toStdString()))) {
        yearDigits_->setText(qs(step->edit));
        centurySpin_->setValue(step->century);
    }
}

void Tkalenderdlg::NubtnClick() {
    const Ymd now = context_.today();
    shownYear_ = now.year;
    shownMonth_ = now.month;
    todayMark_ = now;
    chosenDay_ = now;
    setYearControls(now.year);
    redisplay();
    vandaagmemos();
}

void Tkalenderdlg::StringGridMouseDown(int grid, int row, int column) {
    if (row == 0 || column == 0) return;
    redisplay();
    if (const int n = grids_[grid]->grid().day(row, column)) {
        const MonthOfYear m = gridMonths_[grid];
        chosenDay_ = Ymd{m.year, m.month, static_cast<std::uint16_t>(n)};
        dayChosen_ = true;
    }
    vandaagmemos();
    for (MonthGridWidget* g : grids_) g->update();
    grids_[grid]->announceChosenDay();
}

void Tkalenderdlg::StringGridDblClick() { invoerbtnClick(); }

void Tkalenderdlg::stepChosenDay(int days) {
    const Ymd next = decodeDate(encodeDate(chosenDay_) + days);
    auto gridOf = [&]() -> MonthGridWidget* {
        for (int k = 0; k < 4; ++k)
            if (gridMonths_[k] == MonthOfYear{next.year, next.month}) return grids_[k];
        return nullptr;
    };
    if (!gridOf()) days > 0 ? incmaandbtnClick() : decmaandbtnClick();
    MonthGridWidget* target = gridOf();
    if (!target) return;
    chosenDay_ = next;
    dayChosen_ = true;
    vandaagmemos();
    target->setFocus();
    for (MonthGridWidget* g : grids_) g->update();
    target->announceChosenDay();
}

void Tkalenderdlg::invoerbtnClick() {
    request_ = CalendarRequest::EnterMemo;
    accept();
}

void Tkalenderdlg::vanafbtnClick() {
    request_ = CalendarRequest::ListFromDate;
    accept();
}

void Tkalenderdlg::okbtnClick() {
    dayChosen_ = false;
    accept();
}

bool Tkalenderdlg::FormKeyDown(int key) {
    if (key == Qt::Key_Escape) {
        reject();
        return true;
    }
    if (key == Qt::Key_I) {
        invoerbtnClick();
        return true;
    }
    return false;
}

bool Tkalenderdlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent*>(event)->key())) return true;
    return QDialog::eventFilter(watched, event);
}

void Tkalenderdlg::keyPressEvent(QKeyEvent* event) {
    if (!FormKeyDown(event->key())) QDialog::keyPressEvent(event);
}

}  // namespace jotanor
