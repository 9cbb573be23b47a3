// The main window's commands for printing a range of memos, the backup at
// close, the memo count, and the help, About and author windows.
#include <QDialog>
#include <optional>

#include "mainwindow/Tform1.h"
#include "output/TAboutBox.h"
#include "output/Tauteurdlg.h"
#include "output/Tprintdlg.h"
#include "output/Trtf_dlg.h"
#include "output/core/Backup.h"
#include "output/core/PrintLayout.h"

namespace jotanor {

void Tform1::Afdrukvaneenreeksmemos1Click() {
    if (!printDialog_ || printDialog_->exec() != QDialog::Accepted) return;
    state_.printFirst = printDialog_->first();
    state_.printLast = printDialog_->last();
    Printer& printer = *platform_.printer;
    printer.beginDocument();
    try {
        printer.setFont(kPrintFont, kPrintBodyPoints, false, false);
        const int charHeight = printer.fontHeight();
        std::optional<PrintStyle> style;
        int page = 0;
        for (const PrintText& t :
             printLayout(memoFile_, state_.printFirst, state_.printLast, charHeight, printer.pageHeight())) {
            for (; page < t.page; ++page) printer.newPage();
            if (t.style != style) {
                style = t.style;
                if (t.style == PrintStyle::Header) printer.setFont(kPrintFont, kPrintHeaderPoints, true, true);
                else printer.setFont(kPrintFont, kPrintBodyPoints, false, false);
            }
            printer.drawText(t.x, t.y, fromMemoText(t.text));
        }
    } catch (...) {
        // Nothing half drawn comes out of the printer.
        printer.abortDocument();
        throw;
    }
    printer.endDocument();
}

void Tform1::backupnaar_budir() {
    if (state_.settings.backupPlace.empty()) return;
    const auto place = toPath(QString::fromStdString(state_.settings.backupPlace));
    platform_.waitCursor->begin();
    try {
        backupCopy(*platform_.fileSystem, memoFile_.path(), place);
    } catch (...) {
        platform_.waitCursor->end();
        throw;
    }
    platform_.waitCursor->end();
    setWorkingFolder(workingFolderOf(memoFile_.path()));
}

void Tform1::Memoaantal1Click() {
    const std::size_t n = memoFile_.count();
    platform_.boxes->show(MsgKind::Information, QString::fromStdString(memoCountText(n)), MsgButtons::Ok);
}

void Tform1::Help1Click() {
    if (helpWindow_) helpWindow_->exec();
}

void Tform1::AboutVUK1Click() {
    if (!aboutBox_) return;
    aboutBox_->show();
    aboutBox_->raise();
    aboutBox_->activateWindow();
}

void Tform1::Aboutauteur1Click() {
    if (authorWindow_) authorWindow_->exec();
}

}  // namespace jotanor
