// The search command: the search dialog, then the list of the memos that
// hold the search words.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "mainwindow/MemoListModel.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Tzoekdlg.h"
#include "mainwindow/core/Search.h"

namespace jotanor {

void Tform1::Zoeken1Click() {
    if (zoekdlg->exec() == QDialog::Accepted) state_.searchText = toMemoText(zoekdlg->Edit1->text());
    // Cancel repeats the previous search, if there was one.
    if (!state_.searchText.empty()) opgezocht1();
}

void Tform1::opgezocht1() {
    const bool caseCounts = zoekdlg->CheckBox1->isChecked();
    const SearchFilter filter(searchWords(state_.searchText, caseCounts), caseCounts);
    // The words are memo text, shown as such.
    Label2->setText(fromMemoText(searchTitle(filter.words())));
    Label2->adjustSize();
    Label1->setText(QString::fromStdString(vandaagtekst(today())));
    Label1->adjustSize();

    // A memo file that cannot be opened leaves the list as it was.
    memoFile_.count();
    listModel->clear();
    MemoBlocks blocks;
    try {
        fillSearchBlocks(memoFile_, filter, encodeDate(today()), blocks, [this] { chime(); });
    } catch (...) {
        // The list keeps the memos found before the failure.
        listModel->setBlocks(std::move(blocks));
        throw;
    }
    listModel->setBlocks(std::move(blocks));
    ListBox1->scrollToTop();
}

}  // namespace jotanor
