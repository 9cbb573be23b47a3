// The memo list views of the main window: the ten-week view, the from-date
// view, the year view, the whole file and the search, with the list font and
// the chime.
#include <QLabel>
#include <QListView>
#include <algorithm>

#include "mainwindow/MemoListBox.h"
#include "mainwindow/MemoListModel.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Theeljaardlg.h"
#include "mainwindow/Tvanafdlg.h"
#include "mainwindow/Txwekendlg.h"
#include "mainwindow/Tzoekdlg.h"

namespace jotanor {

void Tform1::setsize() {
    // No size (0) is the list's own default height, also after a size was
    // set. A size beyond any screen is held where the toolkit's own sums in
    // pixels still fit an int.
    constexpr int kLargestPoints = 10000;
    QFont f = designListFont_;
    if (settings_.fontSize > 0) f.setPointSize(std::min(settings_.fontSize, kLargestPoints));
    list_->setFont(f);
}

void Tform1::setTitles(const QString& title) {
    titleLabel_->setText(title);
    titleLabel_->adjustSize();
    todayLabel_->setText(QString::fromStdString(vandaagtekst(today())));
    todayLabel_->adjustSize();
}

void Tform1::chime() {
    if (!platform_.sound->playWave("chimes.wav")) platform_.sound->beep();
}

std::size_t Tform1::fillList(const std::function<std::size_t(MemoBlocks&)>& fill) {
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

void Tform1::aantalwekenterug(int weeksBack) {
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

void Tform1::vanaf1(DaySerial from) {
    setsize();
    const QString shown = platform_.dateFormat->shortDate(decodeDate(from));
    setTitles(QString::fromStdString(fromDateTitle(shown.toStdString())));
    fillList([&](MemoBlocks& blocks) { return session_.listFrom(from, blocks, [this] { chime(); }); });
}

void Tform1::Vanafdatum1Click() {
    // The day chosen in the calendar is used once; else today.
    fromDateDialog_->setDate(session_.takeStartDay());
    // Cancel, too, gives a view: from today.
    fromDateDialog_->exec();
    vanaf1(fromDateDialog_->fromDate());
}

void Tform1::Alles1Click() {
    if (yearDialog_->exec() != QDialog::Accepted) return;
    const int year = yearDialog_->year();
    session_.file().count();
    const std::size_t n =
        fillList([&](MemoBlocks& blocks) { return session_.listYear(year, blocks, [this] { chime(); }); });
    setTitles(QString::fromStdString(yearTitle(n, year)));
}

void Tform1::HelebestandClick() {
    session_.file().count();
    setsize();
    const std::size_t n = fillList([&](MemoBlocks& blocks) { return session_.listWholeFile(blocks); });
    setTitles(QString::fromStdString(wholeFileTitle(n)));
}

void Tform1::Idemvanafxwekenterug1Click() {
    if (weeksBackDialog_->exec() == QDialog::Accepted) aantalwekenterug(weeksBackDialog_->weeks());
}

void Tform1::Zoeken1Click() {
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

void Tform1::opgezocht1(const std::string& text) {
    const bool caseCounts = searchDialog_->caseCounts();
    // The words are memo text, shown as such.
    setTitles(fromMemoText(searchTitle(searchWords(text, caseCounts))));
    // A memo file that cannot be opened leaves the list as it was.
    session_.file().count();
    fillList([&](MemoBlocks& blocks) { return session_.search(text, caseCounts, blocks, [this] { chime(); }); });
}

}  // namespace jotanor
