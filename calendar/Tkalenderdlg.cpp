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

#include "mainwindow/Tform1.h"
#include "mainwindow/WindowFrame.h"

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

MonthGridWidget::MonthGridWidget(const MainState& state, const Ymd& todayMark, QWidget* parent)
    : QWidget(parent), state_(state), todayMark_(todayMark) {
    setFont(arialPixels(11));  // Arial 8 points on the screen it was laid out for
}

void MonthGridWidget::setGrid(const MonthGrid& grid) {
    grid_ = grid;
    update();
}

QPoint MonthGridWidget::cellOrigin(int row, int column) const {
    return {kBorder + column * (kCellWidth + kGridLine), kBorder + row * (kCellHeight + kGridLine)};
}

CellColour MonthGridWidget::cellColour(int row, int column) const {
    return grid_.colour(row, column, todayMark_, state_.chosenDay);
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
        }
    }
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

Tkalenderdlg::Tkalenderdlg(Tform1& form)
    : QDialog(&form, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      form_(form),
      state_(form.state()) {
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
        auto* g = new MonthGridWidget(state_, todayMark_, this);
        g->setObjectName(QString("StringGrid%1").arg(k + 1));
        g->setGeometry(gridPlaces[k]);
        connect(g, &MonthGridWidget::pressed, this,
                [this, k](int row, int column) { guarded([&] { StringGridMouseDown(k, row, column); }); });
        connect(g, &MonthGridWidget::doubleClicked, this, [this] { StringGridDblClick(); });
        StringGrid[k] = g;

        QLabel* l = label(this, QString("Label%1").arg(k + 1), labelPlaces[k]);
        l->setFont(arialPixels(13));
        l->setPalette(aqua);
        monthLabel[k] = l;
    }

    incmaandbtn = button(this, "incmaandbtn", "+ maand", QRect(7, 293, 50, 22));
    decmaandbtn = button(this, "decmaandbtn", "- maand", QRect(62, 293, 50, 22));
    connect(incmaandbtn, &QPushButton::clicked, this, [this] { guarded([this] { incmaandbtnClick(); }); });
    connect(decmaandbtn, &QPushButton::clicked, this, [this] { guarded([this] { decmaandbtnClick(); }); });

    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName("SpinEdit1");
    SpinEdit1->setRange(0, kMaxCentury);
    SpinEdit1->setGeometry(6, 317, 45, 22);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(55, 317, 24, 22);
    SpinButton1 = new QWidget(this);
    SpinButton1->setObjectName("SpinButton1");
    SpinButton1->setGeometry(80, 318, 18, 22);
    SpinButton1Up = new QToolButton(SpinButton1);
    SpinButton1Up->setObjectName("SpinButton1Up");
    SpinButton1Up->setArrowType(Qt::UpArrow);
    SpinButton1Up->setGeometry(0, 0, 18, 11);
    SpinButton1Down = new QToolButton(SpinButton1);
    SpinButton1Down->setObjectName("SpinButton1Down");
    SpinButton1Down->setArrowType(Qt::DownArrow);
    SpinButton1Down->setGeometry(0, 11, 18, 11);
    label20 = label(this, "label20", QPoint(106, 325));
    setLabel(label20, "jaar");
    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { guarded([this] { SpinEdit1Change(); }); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { guarded([this] { Edit1Change(); }); });
    connect(SpinButton1Up, &QToolButton::clicked, this, [this] { guarded([this] { SpinButton1UpClick(); }); });
    connect(SpinButton1Down, &QToolButton::clicked, this, [this] { guarded([this] { SpinButton1DownClick(); }); });

    Nubtn = button(this, "Nubtn", "&Nu", QRect(6, 353, 75, 25));
    connect(Nubtn, &QPushButton::clicked, this, [this] { guarded([this] { NubtnClick(); }); });

    auto* panel = new QFrame(this);
    panel->setObjectName("feestpanel");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(128, 292, 361, 83);
    feestpanel = panel;
    const std::array<int, 3> rowsY = {27, 42, 57};
    for (int i = 0; i < 3; ++i) {
        panelLabel[5 + i] = label(panel, QString("Label%1").arg(5 + i), QPoint(16, rowsY[i]));
        panelLabel[8 + i] = label(panel, QString("Label%1").arg(8 + i), QPoint(112, rowsY[i]));
        panelLabel[14 + i] = label(panel, QString("Label%1").arg(14 + i), QPoint(192, rowsY[i]));
        panelLabel[17 + i] = label(panel, QString("Label%1").arg(17 + i), QPoint(280, rowsY[i]));
    }
    panelLabel[11] = label(panel, "Label11", QPoint(112, 11));
    panelLabel[12] = label(panel, "Label12", QPoint(192, 11));
    panelLabel[13] = label(panel, "Label13", QPoint(280, 11));

    invoerbtn = button(this, "invoerbtn", "Memo Invoer", QRect(496, 293, 108, 25));
    vanafbtn = button(this, "vanafbtn", "Memo's vanaf datum", QRect(496, 323, 108, 25));
    okbtn = button(this, "okbtn", "&Afsluiten", QRect(497, 353, 107, 25));
    connect(invoerbtn, &QPushButton::clicked, this, [this] { invoerbtnClick(); });
    connect(vanafbtn, &QPushButton::clicked, this, [this] { vanafbtnClick(); });
    connect(okbtn, &QPushButton::clicked, this, [this] { okbtnClick(); });

    GroupBox1 = new QGroupBox("Memo's van de geselecteerde dag  ", this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(5, 382, 598, 184);
    GroupBox1->setPalette(aqua);
    Memo1 = new QPlainTextEdit(GroupBox1);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 18, 582, 158);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette memo = Memo1->palette();
    memo.setColor(QPalette::Text, Qt::black);
    memo.setColor(QPalette::Base, Qt::white);
    Memo1->setPalette(memo);

    // The dialog sees every key before its controls do.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

void Tkalenderdlg::FormCreate() {
    for (MonthGridWidget* g : StringGrid)
        g->setToolTip("Klik = De datum wordt geselecteerd.\nDubbelklik = Invoer voor deze datum.");
    vanafbtn->setToolTip("Toon 4 weken vanaf \nde geselecteerde datum. ");
    Nubtn->setToolTip("Reset naar de huidige datum");
    invoerbtn->setToolTip("Terug om een memo in te voeren \nvoor de geselecteerde datum");
    okbtn->setToolTip("Terug zonder wijzigingen");
    openingDate_ = form_.today();
}

void Tkalenderdlg::guarded(const std::function<void()>& handler) { form_.guarded(handler); }

void Tkalenderdlg::showEvent(QShowEvent* event) {
    WindowFrame::of(*this).centre(form_.platform().screen->size());
    guarded([this] { FormActivate(); });
    QDialog::showEvent(event);
}

void Tkalenderdlg::FormActivate() {
    StringGrid[0]->setFont(arialPixels(11));
    shownYear_ = openingDate_.year;
    shownMonth_ = openingDate_.month;
    todayMark_ = openingDate_;
    setYearControls(openingDate_.year);
    state_.chosenDay = openingDate_;
    redisplay();
    vandaagmemos();
}

// Sets the century and the two digits without running their change
// handlers; the caller displays the year itself.
void Tkalenderdlg::setYearControls(int year) {
    const QSignalBlocker century(SpinEdit1);
    const QSignalBlocker digits(Edit1);
    SpinEdit1->setValue(year / 100);
    Edit1->setText(qs(twoDigits(year % 100)));
}

void Tkalenderdlg::_4maanden(int year, int month) {
    gridMonths_ = fourMonths({static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month)});
    for (int k = 0; k < 4; ++k) setLabel(monthLabel[k], qs(monthHeading(gridMonths_[k])));
    for (int k = 0; k < 4; ++k) vulgrid(k, gridMonths_[k]);
    feestdagen(gridMonths_[3].year);
}

void Tkalenderdlg::vulgrid(int index, MonthOfYear month) { StringGrid[index]->setGrid(MonthGrid(month)); }

void Tkalenderdlg::feestdagen(int year) {
    // There is no year before year 1; year 0 itself has no feast days.
    const bool before = year > 1;
    for (int n : {8, 9, 10}) panelLabel[n]->setVisible(before);
    setLabel(panelLabel[5], "Pasen       : ");
    setLabel(panelLabel[6], "Hemelvaart  : ");
    setLabel(panelLabel[7], "Pinksteren  : ");
    const std::array<std::array<int, 3>, 3> columns = {{{8, 9, 10}, {14, 15, 16}, {17, 18, 19}}};
    for (int i = 0; i < 3; ++i) {
        const int y = year - 1 + i;
        const auto texts = feastColumn(std::max(y, 0));
        for (int j = 0; j < 3; ++j) setLabel(panelLabel[columns[i][j]], qs(texts[j]));
        setLabel(panelLabel[11 + i], y < 0 ? QString() : QString::number(y));
    }
}

void Tkalenderdlg::vandaagmemos() {
    Memo1->hide();
    Memo1->clear();
    std::vector<std::string> lines;
    const Ymd d = state_.chosenDay;
    if (isValidDate(d.year, d.month, d.day)) lines = dayMemoLines(form_.memoFile(), encodeDate(d));
    QStringList text;
    for (const std::string& line : lines) text << fromMemoText(line);
    if (!text.isEmpty()) Memo1->setPlainText(text.join('\n'));
    Memo1->show();
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
    const int n = yearNumber(Edit1->text().toStdString());
    const QString digits = qs(twoDigits(n));
    if (Edit1->text() != digits) {
        const QSignalBlocker quiet(Edit1);
        Edit1->setText(digits);
    }
    shownYear_ = static_cast<std::uint16_t>(SpinEdit1->value() * 100 + n);
    redisplay();
}

void Tkalenderdlg::SpinEdit1Change() {
    const int n = yearNumber(Edit1->text().toStdString());
    if (n == 0 && SpinEdit1->value() == 0) {
        SpinEdit1->setValue(1);  // runs this handler again: the year 100
        return;
    }
    shownYear_ = static_cast<std::uint16_t>(SpinEdit1->value() * 100 + n);
    redisplay();
}

void Tkalenderdlg::SpinButton1UpClick() {
    if (auto step = spinUp(SpinEdit1->value(), yearNumber(Edit1->text().toStdString()))) {
        Edit1->setText(qs(step->edit));
        SpinEdit1->setValue(step->century);
    }
}

void Tkalenderdlg::SpinButton1DownClick() {
    if (auto step = spinDown(SpinEdit1->value(), yearNumber(Edit1->text().toStdString()))) {
        Edit1->setText(qs(step->edit));
        SpinEdit1->setValue(step->century);
    }
}

void Tkalenderdlg::NubtnClick() {
    const Ymd now = form_.today();
    shownYear_ = now.year;
    shownMonth_ = now.month;
    todayMark_ = now;
    state_.chosenDay = now;
    setYearControls(now.year);
    redisplay();
    vandaagmemos();
}

void Tkalenderdlg::StringGridMouseDown(int grid, int row, int column) {
    if (row == 0 || column == 0) return;
    redisplay();
    if (const int n = StringGrid[grid]->grid().day(row, column)) {
        const MonthOfYear m = gridMonths_[grid];
        state_.chosenDay = Ymd{m.year, m.month, static_cast<std::uint16_t>(n)};
        state_.dayChosen = true;
    }
    vandaagmemos();
    for (MonthGridWidget* g : StringGrid) g->update();
}

void Tkalenderdlg::StringGridDblClick() { invoerbtnClick(); }

void Tkalenderdlg::invoerbtnClick() {
    state_.entryRequest = true;
    accept();
}

void Tkalenderdlg::vanafbtnClick() {
    state_.fromDateRequest = true;
    accept();
}

void Tkalenderdlg::okbtnClick() {
    state_.dayChosen = false;
    accept();
}

void Tkalenderdlg::herstelKnoppen() {
    setWindowTitle("Kalender");
    invoerbtn->setText("Memo Invoer");
    vanafbtn->setEnabled(true);
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
