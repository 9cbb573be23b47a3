// The memo list views of the main window: the ten-week view, the from-date
// view, the year view and the whole file, with the list font and the chime.
#include <QLabel>
#include <QListView>
#include <algorithm>

#include "mainwindow/MemoListBox.h"
#include "mainwindow/MemoListModel.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Theeljaardlg.h"
#include "mainwindow/Tvanafdlg.h"
#include "mainwindow/Txwekendlg.h"

namespace jotanor {

void Tform1::setsize() {
    // No size (0) is the list's own default height, also after a size was
    // set. A size beyond any screen is held where the toolkit's own sums in
    // pixels still fit an int.
    constexpr int kLargestPoints = 10000;
    QFont f = designListFont_;
    if (state_.settings.fontSize > 0) f.setPointSize(std::min(state_.settings.fontSize, kLargestPoints));
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

std::size_t Tform1::fillList(const ViewWindow& window) {
    return fillList([&](MemoBlocks& blocks) {
        return fillBlocks(memoFile_, window, encodeDate(today()), blocks, [this] { chime(); });
    });
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
        memoFile_.count();
        setsize();
        fillList(tenWeekWindow(encodeDate(today()), weeksBack));
    } catch (...) {
        showList();
        throw;
    }
    showList();
    state_.viewMode = ViewMode::TenWeeks;
}

void Tform1::vanaf1() {
    setsize();
    const QString from = platform_.dateFormat->shortDate(decodeDate(state_.fromDate));
    setTitles(QString::fromStdString(fromDateTitle(from.toStdString())));
    fillList(fromDateWindow(state_.fromDate));
    state_.viewMode = ViewMode::FromDate;
}

void Tform1::Vanafdatum1Click() {
    // The day chosen in the calendar is used once; else today.
    fromDateDialog_->setDate(state_.dayChosen ? state_.chosenDay : today());
    state_.dayChosen = false;
    // Cancel, too, gives a view: from today.
    fromDateDialog_->exec();
    state_.fromDate = fromDateDialog_->fromDate();
    vanaf1();
}

void Tform1::Alles1Click() {
    if (yearDialog_->exec() != QDialog::Accepted) return;
    state_.chosenYear = yearDialog_->year();
    showYear();
}

void Tform1::showYear() {
    memoFile_.count();
    const std::size_t n = fillList(yearWindow(state_.chosenYear));
    setTitles(QString::fromStdString(yearTitle(n, state_.chosenYear)));
    state_.viewMode = ViewMode::Year;
}

void Tform1::HelebestandClick() {
    memoFile_.count();
    setsize();
    const std::size_t n = fillList(wholeFileWindow());
    setTitles(QString::fromStdString(wholeFileTitle(n)));
}

void Tform1::Idemvanafxwekenterug1Click() {
    if (weeksBackDialog_->exec() == QDialog::Accepted) aantalwekenterug(weeksBackDialog_->weeks());
}

}  // namespace jotanor
