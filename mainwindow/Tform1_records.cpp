// The record commands of the main window: enter, change, copy and delete a
// memo, each followed by the re-show of the view on show.
#include <QDialog>
#include <QItemSelectionModel>

#include "mainwindow/MemoListBox.h"
#include "mainwindow/MemoListModel.h"
#include "mainwindow/Tconfirmdlg.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Tinvoerdlg.h"
#include "mainwindow/Twijzigdlg.h"

namespace jotanor {

std::optional<ShownMemo> Tform1::selectedLine() const {
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

void Tform1::selectrecord1() {
    const Selection selection = selectMemo(memoFile_, selectedLine());
    state_.selectedIndex = selection.index;
    selectedMemo_ = selection.record;
    if (selection.outcome == SelectionOutcome::NoLine)
        platform_.boxes->show(MsgKind::Information, "Selecteer een memo! ", MsgButtons::Ok);
    else if (selection.outcome == SelectionOutcome::NoDateLine)
        platform_.boxes->show(MsgKind::Information, "Selecteer de eerste 2 regels van de memo", MsgButtons::Ok);
    // A memo that is no longer where the list found it: the command ends
    // without a word.
}

void Tform1::invoeren() {
    // The day chosen in the calendar is used once; else today.
    entryDialog_->setDate(state_.dayChosen ? state_.chosenDay : today());
    state_.dayChosen = false;
    if (entryDialog_->exec() != QDialog::Accepted) return;
    state_.currentRecord = entryDialog_->memo();
    memoFile_.mydata1_opbergen(state_.currentRecord);
    reshowView();
}

void Tform1::changeOrCopy(DialogMode mode) {
    selectrecord1();
    if (state_.selectedIndex < 0) return;
    state_.dialogMode = mode;
    changeDialog_->setRecord(selectedMemo_, mode);
    if (changeDialog_->exec() != QDialog::Accepted) return;
    state_.currentRecord = changeDialog_->memo();
    if (state_.dialogMode == DialogMode::Change)
        // Deletes and stores in one step: a failed store keeps the old memo.
        // The memo is found again by its contents: another copy of the
        // program may have changed the file while the dialog was open.
        memoFile_.change(selectedMemo_, static_cast<std::size_t>(state_.selectedIndex), state_.currentRecord);
    else
        memoFile_.mydata1_opbergen(state_.currentRecord);
    reshowView();
}

void Tform1::Wijzigen1Click() { changeOrCopy(DialogMode::Change); }
void Tform1::CopieF41Click() { changeOrCopy(DialogMode::Copy); }

void Tform1::Wissen1Click() {
    selectrecord1();
    if (state_.selectedIndex < 0) return;
    deleteDialog_->setRecord(selectedMemo_);
    if (deleteDialog_->exec() == QDialog::Accepted)
        memoFile_.wisrecord1(selectedMemo_, static_cast<std::size_t>(state_.selectedIndex));
    reshowView();
}

void Tform1::reshowView() {
    switch (state_.viewMode) {
    case ViewMode::TenWeeks: aantalwekenterug(0); break;
    case ViewMode::FromDate: vanaf1(); break;
    case ViewMode::Year: Alles1Click(); break;
    }
}

}  // namespace jotanor
