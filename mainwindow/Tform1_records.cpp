// The record commands of the main window: enter, change, copy and delete a
// memo, each followed by the re-show of the view on show.
#include <QDialog>
#include <QItemSelectionModel>

#include "mainwindow/MemoListModel.h"
#include "mainwindow/Tconfirmdlg.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Tinvoerdlg.h"
#include "mainwindow/Twijzigdlg.h"

namespace jotanor {

std::optional<ShownMemo> Tform1::gekozenMemo() const {
    const QModelIndexList selected = ListBox1->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return std::nullopt;
    const MemoBlocks& blocks = listModel->blocks();
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
    const Selection keuze = selectMemo(memoFile_, gekozenMemo());
    state_.selectedIndex = keuze.index;
    geselecteerd_ = keuze.record;
    if (keuze.outcome == SelectionOutcome::NoLine)
        platform_.boxes->show(MsgKind::Information, "Selecteer een memo! ", MsgButtons::Ok);
    else if (keuze.outcome == SelectionOutcome::NoDateLine)
        platform_.boxes->show(MsgKind::Information, "Selecteer de eerste 2 regels van de memo", MsgButtons::Ok);
    // A memo that is no longer where the list found it: the command ends
    // without a word.
}

void Tform1::invoeren() {
    // The calendar's request is answered, whatever happens next.
    struct Beantwoord {
        bool& request;
        ~Beantwoord() { request = false; }
    } answered{state_.entryRequest};
    if (invoerdlg->exec() != QDialog::Accepted) return;
    state_.currentRecord = invoerdlg->memo();
    memoFile_.mydata1_opbergen(state_.currentRecord);
    toonOpnieuw();
}

void Tform1::wijzigOfCopieer(const char* mode) {
    selectrecord1();
    if (state_.selectedIndex < 0) return;
    state_.dialogMode = mode;
    wijzigdlg->setRecord(geselecteerd_);
    if (wijzigdlg->exec() != QDialog::Accepted) return;
    if (state_.dialogMode == "wijzigen")
        // Deletes and stores in one step: a failed store keeps the old memo.
        // The memo is found again by its contents: another copy of the
        // program may have changed the file while the dialog was open.
        memoFile_.change(geselecteerd_, static_cast<std::size_t>(state_.selectedIndex), state_.currentRecord);
    else
        memoFile_.mydata1_opbergen(state_.currentRecord);
    toonOpnieuw();
}

void Tform1::Wijzigen1Click() { wijzigOfCopieer("wijzigen"); }
void Tform1::CopieF41Click() { wijzigOfCopieer("copieren"); }
void Tform1::Copieren1Click() { wijzigOfCopieer("copieren"); }

void Tform1::Wissen1Click() {
    selectrecord1();
    if (state_.selectedIndex < 0) return;
    confirmdlg->setRecord(geselecteerd_);
    if (confirmdlg->exec() == QDialog::Accepted)
        memoFile_.wisrecord1(geselecteerd_, static_cast<std::size_t>(state_.selectedIndex));
    toonOpnieuw();
}

void Tform1::toonOpnieuw() {
    if (state_.viewMode == "10weken")
        aantalwekenterug(0);
    else if (state_.viewMode == "vanaf")
        vanaf1();
    else if (state_.viewMode == "heeljaar")
        Alles1Click();
}

}  // namespace jotanor
