// The record commands of the main window: enter (through the calendar),
// change, copy and delete a memo, each followed by the re-show of the view
// on show; and the days the print dialog picks in the calendar.
#include <QDialog>
#include <QItemSelectionModel>

#include "calendar/Tkalenderdlg.h"
#include "diary/MemoCommands.h"
#include "mainwindow/MemoListBox.h"
#include "mainwindow/MemoListModel.h"
#include "mainwindow/Tconfirmdlg.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Tinvoerdlg.h"
#include "mainwindow/Twijzigdlg.h"

namespace jotanor {

void Tform1::Invoer1Click() {
    const CalendarAnswer answer = calendar_->ask(session_.dayChosen());
    takeCalendarDay(answer);
    switch (answer.request) {
    case CalendarRequest::ListFromDate: Vanafdatum1Click(); break;
    case CalendarRequest::EnterMemo: invoeren(); break;
    case CalendarRequest::Closed: break;
    }
}

void Tform1::takeCalendarDay(const CalendarAnswer& answer) { session_.chooseDay(answer.day, answer.dayChosen); }

DaySerial Tform1::pickPrintDay(const QString& caption, const QString& buttonCaption) {
    const CalendarAnswer answer = calendar_->pickDay(caption, buttonCaption, session_.dayChosen());
    takeCalendarDay(answer);
    return encodeDate(answer.day);
}

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

std::optional<MemoRef> Tform1::selectrecord1() {
    const Selection selection = selectMemo(session_.file(), selectedLine());
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
    entryDialog_->setDate(session_.takeStartDay());
    if (entryDialog_->exec() != QDialog::Accepted) return;
    mydata1_opbergen(session_.file(), entryDialog_->memo());
    reshowView();
}

void Tform1::changeOrCopy(DialogMode mode) {
    if (!mayChange()) return;
    const auto selected = selectrecord1();
    if (!selected) return;
    changeDialog_->setRecord(selected->memo, mode);
    if (changeDialog_->exec() != QDialog::Accepted) return;
    const MemoRecord typed = changeDialog_->memo();
    if (mode == DialogMode::Copy)
        mydata1_opbergen(session_.file(), typed);
    else if (changeMemo(session_.file(), *selected, typed) == EditOutcome::StoredAnew)
        platform_.boxes->show(MsgKind::Information, kEditKeptText, MsgButtons::Ok);
    reshowView();
}

void Tform1::Wijzigen1Click() { changeOrCopy(DialogMode::Change); }
void Tform1::CopieF41Click() { changeOrCopy(DialogMode::Copy); }

void Tform1::Wissen1Click() {
    if (!mayChange()) return;
    const auto selected = selectrecord1();
    if (!selected) return;
    deleteDialog_->setRecord(selected->memo);
    if (deleteDialog_->exec() == QDialog::Accepted && wisrecord1(session_.file(), *selected) == EditOutcome::Gone)
        platform_.boxes->show(MsgKind::Information, kMemoGoneText, MsgButtons::Ok);
    reshowView();
}

void Tform1::reshowView() {
    switch (session_.viewMode()) {
    case ViewMode::TenWeeks: aantalwekenterug(0); break;
    case ViewMode::FromDate: vanaf1(session_.fromDate()); break;
    case ViewMode::Year: Alles1Click(); break;
    }
}

}  // namespace jotanor
