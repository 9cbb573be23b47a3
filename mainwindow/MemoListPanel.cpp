#include "mainwindow/MemoListPanel.h"

#include <QFrame>
#include <QItemSelectionModel>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "diary/Session.h"
#include "mainwindow/MemoListBox.h"
#include "mainwindow/MemoListModel.h"
#include "mainwindow/Theeljaardlg.h"
#include "mainwindow/Tvanafdlg.h"
#include "mainwindow/Txwekendlg.h"
#include "mainwindow/Tzoekdlg.h"
#include "store/Settings.h"

namespace jotanor {
namespace {

QFont pixelFont(const QString& family, int pixels, bool bold = false) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

}  // namespace

MemoListPanel::MemoListPanel(QWidget& window, QWidget& client, Platform& platform, ErrorSink& errors,
                             Session& session, const Settings& settings)
    : QObject(&window), window_(window), platform_(platform), errors_(errors), session_(session), settings_(settings) {
    todayLabel_ = new QLabel("Label1", &client);
    todayLabel_->setObjectName("Label1");
    todayLabel_->setFont(pixelFont("Arial", 15));
    todayLabel_->setStyleSheet("color: rgb(255, 0, 0);");
    todayLabel_->move(13, 1);

    titleLabel_ = new QLabel("Label2", &client);
    titleLabel_->setObjectName("Label2");
    titleLabel_->setFont(pixelFont("Arial", 16));
    titleLabel_->setStyleSheet("color: rgb(0, 0, 0);");
    titleLabel_->move(127, 20);

    weekLabel_ = new QLabel("week 18", &client);
    weekLabel_->setObjectName("Label3");
    weekLabel_->setFont(pixelFont("Arial", 16, true));
    weekLabel_->setAutoFillBackground(true);
    weekLabel_->setStyleSheet("color: rgb(128, 128, 128); background-color: rgb(192, 192, 192);");
    weekLabel_->move(11, 19);

    listPanel_ = new QFrame(&client);
    listPanel_->setObjectName("Panel1");
    listPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    listPanel_->setLineWidth(3);
    listPanel_->setGeometry(8, 45, 516, 413);
    auto* layout = new QVBoxLayout(listPanel_);
    layout->setContentsMargins(3, 3, 3, 3);

    list_ = new MemoListBox(listPanel_);
    list_->pastTheEnd = [this] { platform_.sound->beep(); };
    list_->setObjectName("ListBox1");
    list_->setAccessibleName("Memo's");
    list_->setFont(pixelFont("Arial", 12));
    designListFont_ = list_->font();
    listModel_ = new MemoListModel(list_);
    listModel_->setObjectName("listModel");
    list_->setModel(listModel_);
    layout->addWidget(list_);

    for (QLabel* l : {todayLabel_, titleLabel_, weekLabel_}) l->adjustSize();

    searchDialog_ = new Tzoekdlg(&window_, {platform_, errors_});
    yearDialog_ = new Theeljaardlg(&window_, {platform_, errors_});
}

const MemoBlocks& MemoListPanel::blocks() const { return listModel_->blocks(); }

std::optional<ShownMemo> MemoListPanel::selectedLine() const {
    const QModelIndexList selected = list_->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return std::nullopt;
    const MemoBlocks& blocks = listModel_->blocks();
    const auto b = static_cast<std::size_t>(blockOfRow(selected.first().row()));
    if (b >= blocks.size()) return std::nullopt;
    ShownMemo shown{{}, blocks.record(b), blocks.position(b)};
    try {
        shown.dateLine = blocks.line(b, 0);
    } catch (const std::exception&) {
        // A date that has no text: the date line stays empty.
    }
    return shown;
}

void MemoListPanel::reshowView() {
    switch (session_.viewMode()) {
    case ViewMode::TenWeeks: aantalwekenterug(0); break;
    case ViewMode::FromDate: vanaf1(session_.fromDate()); break;
    case ViewMode::Year: Alles1Click(); break;
    }
}

void MemoListPanel::showWeekLabel() {
    const int week = weeknummer(session_.today());
    const bool green = week % 2 == settings_.weekParity;
    weekLabel_->setStyleSheet(QString("color: %1; background-color: rgb(192, 192, 192);")
                                  .arg(green ? "rgb(0, 128, 0)" : "rgb(128, 128, 128)"));
    weekLabel_->setText("Week " + QString::number(week));
    weekLabel_->adjustSize();
}

void MemoListPanel::setsize() {
    // No size (0) is the list's own default height, also after a size was
    // set. A size beyond any screen is held where the toolkit's own sums in
    // pixels still fit an int.
    constexpr int kLargestPoints = 10000;
    QFont f = designListFont_;
    if (settings_.fontSize > 0) f.setPointSize(std::min(settings_.fontSize, kLargestPoints));
    list_->setFont(f);
}

void MemoListPanel::setTitles(const QString& title) {
    titleLabel_->setText(title);
    titleLabel_->adjustSize();
    todayLabel_->setText(QString::fromStdString(vandaagtekst(session_.today())));
    todayLabel_->adjustSize();
}

void MemoListPanel::chime() {
    if (!platform_.sound->playWave("chimes.wav")) platform_.sound->beep();
}

std::size_t MemoListPanel::fillList(const std::function<std::size_t(MemoBlocks&)>& fill) {
    listModel_->clear();
    MemoBlocks blocks;
    std::size_t n = 0;
    try {
        n = fill(blocks);
    } catch (...) {
        // The list keeps the memos read before the failure.
        listModel_->setBlocks(std::move(blocks));
        throw;
    }
    listModel_->setBlocks(std::move(blocks));
    list_->scrollToTop();
    return n;
}

void MemoListPanel::aantalwekenterug(int weeksBack) {
    showWeekLabel();
    setTitles(QString::fromStdString(tenWeekTitle(weeksBack)));
    // Hidden while it fills, the list is drawn once. Hiding takes the focus
    // away, so it gets it back.
    const bool focused = list_->hasFocus();
    auto showList = [this, focused] {
        list_->show();
        if (focused) list_->setFocus();
    };
    list_->hide();
    try {
        session_.file().count();
        setsize();
        fillList([&](MemoBlocks& blocks) { return session_.listWeeksBack(weeksBack, blocks, [this] { chime(); }); });
    } catch (...) {
        showList();
        throw;
    }
    showList();
}

void MemoListPanel::vanaf1(DaySerial from) {
    setsize();
    const QString shown = platform_.dateFormat->shortDate(decodeDate(from));
    setTitles(QString::fromStdString(fromDateTitle(shown.toStdString())));
    fillList([&](MemoBlocks& blocks) { return session_.listFrom(from, blocks, [this] { chime(); }); });
}

void MemoListPanel::Vanafdatum1Click() {
    Tvanafdlg fromDateDialog(&window_, {platform_, errors_});
    // The day chosen in the calendar is used once; else today.
    fromDateDialog.setDate(session_.takeStartDay());
    // Cancel, too, gives a view: from today.
    fromDateDialog.exec();
    vanaf1(fromDateDialog.fromDate());
}

void MemoListPanel::Alles1Click() {
    if (yearDialog_->exec() != QDialog::Accepted) return;
    const int year = yearDialog_->year();
    session_.file().count();
    const std::size_t n =
        fillList([&](MemoBlocks& blocks) { return session_.listYear(year, blocks, [this] { chime(); }); });
    setTitles(QString::fromStdString(yearTitle(n, year)));
}

void MemoListPanel::HelebestandClick() {
    session_.file().count();
    setsize();
    const std::size_t n = fillList([&](MemoBlocks& blocks) { return session_.listWholeFile(blocks); });
    setTitles(QString::fromStdString(wholeFileTitle(n)));
}

void MemoListPanel::Idemvanafxwekenterug1Click() {
    Txwekendlg weeksBackDialog(&window_, {platform_, errors_});
    if (weeksBackDialog.exec() == QDialog::Accepted) aantalwekenterug(weeksBackDialog.weeks());
}

void MemoListPanel::Zoeken1Click() {
    std::string text = session_.searchText();
    if (searchDialog_->exec() == QDialog::Accepted) text = toMemoText(searchDialog_->text());
    // Cancel repeats the previous search, if there was one.
    if (!text.empty()) {
        opgezocht1(text);
    } else {
        MemoBlocks none;
        session_.search(text, false, none);  // an empty field forgets the last search
    }
}

void MemoListPanel::opgezocht1(const std::string& text) {
    const bool caseCounts = searchDialog_->caseCounts();
    // The words are memo text, shown as such.
    setTitles(fromMemoText(searchTitle(searchWords(text, caseCounts))));
    // A memo file that cannot be opened leaves the list as it was.
    session_.file().count();
    fillList([&](MemoBlocks& blocks) { return session_.search(text, caseCounts, blocks, [this] { chime(); }); });
}

}  // namespace jotanor
