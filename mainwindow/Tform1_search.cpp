// The search command: the search dialog, then the list of the memos that
// hold the search words.
#include "mainwindow/Tform1.h"
#include "mainwindow/Tzoekdlg.h"
#include "mainwindow/core/Search.h"

namespace jotanor {

void Tform1::Zoeken1Click() {
    if (searchDialog_->exec() == QDialog::Accepted) state_.searchText = toMemoText(searchDialog_->text());
    // Cancel repeats the previous search, if there was one.
    if (!state_.searchText.empty()) opgezocht1();
}

void Tform1::opgezocht1() {
    const bool caseCounts = searchDialog_->caseCounts();
    const SearchFilter filter(searchWords(state_.searchText, caseCounts), caseCounts);
    // The words are memo text, shown as such.
    setTitles(fromMemoText(searchTitle(filter.words())));

    // A memo file that cannot be opened leaves the list as it was.
    memoFile_.count();
    fillList([&](MemoBlocks& blocks) {
        return fillSearchBlocks(memoFile_, filter, encodeDate(today()), blocks, [this] { chime(); });
    });
}

}  // namespace jotanor
