// The record commands of the main window: enter (through the calendar),
// change, copy and delete a memo, each followed by the re-show of the view
// on show.
#include <QDialog>

#include "calendar/Tkalenderdlg.h"
#include "diary/MemoCommands.h"
#include "mainwindow/MemoListPanel.h"
#include "mainwindow/Tconfirmdlg.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Tinvoerdlg.h"
#include "mainwindow/Twijzigdlg.h"

namespace jotanor {

void Tform1::Invoer1Click() {
    const CalendarAnswer answer = calendar_->ask(session_.dayChosen());
    session_.chooseDay(answer.day, answer.dayChosen);
    switch (answer.request) {
    case CalendarRequest::ListFromDate: list_->Vanafdatum1Click(); break;
    case CalendarRequest::EnterMemo: invoeren(); break;
    case CalendarRequest::Closed: break;
    }
}

std::optional<MemoRef> Tform1::selectrecord1() {
    const Selection selection = selectMemo(session_.file(), list_->selectedLine());
    switch (selection.outcome) {
    case SelectionOutcome::Found: return MemoRef{selection.record, static_cast<std::size_t>(selection.index)};
    case SelectionOutcome::NoLine:
        platform_.boxes->show(MsgKind::Information, "Selecteer een memo! ", MsgButtons::Ok);
        break;
    case SelectionOutcome::NoDateLine:
        platform_.boxes->show(MsgKind::Information, "Selecteer de eerste 2 regels van de memo", MsgButtons::Ok);
        break;
    case SelectionOutcome::Gone: platform_.boxes->show(MsgKind::Information, kMemoGoneText, MsgButtons::Ok); break;
    }
    return std::nullopt;
}

void Tform1::invoeren() {
    if (!mayChange()) return;
    Tinvoerdlg entryDialog(this, {platform_, errors_});
    entryDialog.setDate(session_.takeStartDay());
    if (entryDialog.exec() != QDialog::Accepted) return;
    mydata1_opbergen(session_.file(), entryDialog.memo());
    list_->reshowView();
}

void Tform1::changeOrCopy(DialogMode mode) {
    if (!mayChange()) return;
    const auto selected = selectrecord1();
    if (!selected) return;
    Twijzigdlg changeDialog(this, {platform_, errors_});
    changeDialog.setRecord(selected->memo, mode);
    if (changeDialog.exec() != QDialog::Accepted) return;
    const MemoRecord typed = changeDialog.memo();
    if (mode == DialogMode::Copy)
        mydata1_opbergen(session_.file(), typed);
    else if (changeMemo(session_.file(), *selected, typed) == EditOutcome::StoredAnew)
        platform_.boxes->show(MsgKind::Information, kEditKeptText, MsgButtons::Ok);
    list_->reshowView();
}

void Tform1::Wijzigen1Click() { changeOrCopy(DialogMode::Change); }
void Tform1::CopieF41Click() { changeOrCopy(DialogMode::Copy); }

void Tform1::Wissen1Click() {
    if (!mayChange()) return;
    const auto selected = selectrecord1();
    if (!selected) return;
    Tconfirmdlg deleteDialog(this, {platform_, errors_});
    deleteDialog.setRecord(selected->memo);
    if (deleteDialog.exec() == QDialog::Accepted && wisrecord1(session_.file(), *selected) == EditOutcome::Gone)
        platform_.boxes->show(MsgKind::Information, kMemoGoneText, MsgButtons::Ok);
    list_->reshowView();
}

}  // namespace jotanor
