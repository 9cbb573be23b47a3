// The memo list views of the main window: the ten-week view, the from-date
// view, the year view and the whole file, with the list font and the chime.
#include <QLabel>
#include <QListView>
#include <algorithm>

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
    ListBox1->setFont(f);
}

void Tform1::setTitles(const std::string& title) {
    Label2->setText(QString::fromStdString(title));
    Label2->adjustSize();
    Label1->setText(QString::fromStdString(vandaagtekst(today())));
    Label1->adjustSize();
}

void Tform1::chime() {
    if (!platform_.sound->playWave("chimes.wav")) platform_.sound->beep();
}

std::size_t Tform1::fillList(const ViewWindow& window) {
    listModel->clear();
    MemoBlocks blocks;
    std::size_t n = 0;
    try {
        n = fillBlocks(memoFile_, window, encodeDate(today()), blocks, [this] { chime(); });
    } catch (...) {
        // The list keeps the memos read before the failure.
        listModel->setBlocks(std::move(blocks));
        throw;
    }
    listModel->setBlocks(std::move(blocks));
    ListBox1->scrollToTop();
    return n;
}

void Tform1::aantalwekenterug(int weeksBack) {
    showWeekLabel();
    setTitles(tenWeekTitle(weeksBack));
    // Hidden while it fills, the list is drawn once. Hiding takes the focus
    // away, so it gets it back.
    const bool focused = ListBox1->hasFocus();
    auto showList = [this, focused] {
        ListBox1->show();
        if (focused) ListBox1->setFocus();
    };
    ListBox1->hide();
    try {
        memoFile_.count();
        setsize();
        fillList(tenWeekWindow(encodeDate(today()), weeksBack));
    } catch (...) {
        showList();
        throw;
    }
    showList();
    state_.viewMode = "10weken";
}

void Tform1::vanaf1() {
    setsize();
    setTitles(fromDateTitle(platform_.dateFormat->shortDate(decodeDate(state_.fromDate)).toStdString()));
    fillList(fromDateWindow(state_.fromDate));
    state_.viewMode = "vanaf";
}

void Tform1::Vanafdatum1Click() {
    vanafdlg->exec();
    // The calendar's request is answered, also when the view fails.
    state_.fromDateRequest = false;
    vanaf1();
}

void Tform1::Alles1Click() {
    if (heeljaardlg->exec() != QDialog::Accepted) return;
    toonjaar();
}

void Tform1::toonjaar() {
    memoFile_.count();
    const std::size_t n = fillList(yearWindow(state_.chosenYear));
    setTitles(yearTitle(n, state_.chosenYear));
    state_.viewMode = "heeljaar";
}

void Tform1::HelebestandClick() {
    memoFile_.count();
    setsize();
    const std::size_t n = fillList(wholeFileWindow());
    setTitles(wholeFileTitle(n));
}

void Tform1::Idemvanafxwekenterug1Click() {
    if (xwekendlg->exec() == QDialog::Accepted) aantalwekenterug(xwekendlg->weeks());
}

}  // namespace jotanor
