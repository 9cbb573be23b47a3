// The main window's commands for printing a range of memos, the backup at
// close, the memo count, and the help, About and author windows.
#include <QDialog>
#include <optional>

#include "calendar/Tkalenderdlg.h"
#include "mainwindow/Tform1.h"
#include "output/TAboutBox.h"
#include "output/Tauteurdlg.h"
#include "output/Tprintdlg.h"
#include "output/Trtf_dlg.h"
#include "diary/MemoCommands.h"
#include "output/core/PrintLayout.h"
#include "store/ConfigFile.h"

namespace jotanor {

void Tform1::Afdrukvaneenreeksmemos1Click() {
    // The print dialog picks its days in the calendar, with its own captions.
    Tprintdlg printDialog(this, {platform_, errors_}, session_.file(), [this](const QString& title, const QString& ok) {
        const CalendarAnswer answer = calendar_->pickDay(title, ok, session_.dayChosen());
        session_.chooseDay(answer.day, answer.dayChosen);
        return encodeDate(answer.day);
    });
    if (printDialog.exec() != QDialog::Accepted) return;
    Printer& printer = *platform_.printer;
    try {
        printer.beginDocument();
    } catch (const NoPrinterError& e) {
        // Without a printer the same pages can go into a PDF file.
        if (platform_.boxes->show(MsgKind::Confirmation, QString(e.what()) + ".\nAfdrukken in een PDF-bestand ?",
                                  MsgButtons::YesNo) != MsgResult::Yes)
            return;
        const auto file = platform_.fileDialogs->saveFile("memo-overzicht.pdf");
        if (!file) return;
        printer.beginPdfDocument(*file);
    }
    try {
        printer.setFont(kPrintFont, kPrintBodyPoints, false, false);
        const int charHeight = printer.fontHeight();
        std::optional<PrintStyle> style;
        int page = 0;
        for (const PrintText& t :
             printLayout(session_.file(), printDialog.first(), printDialog.last(), charHeight, printer.pageHeight())) {
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
    if (settings_.backupPlace.empty()) return;
    const auto place = toPath(QString::fromStdString(settings_.backupPlace));
    // The settings file was just written, in the working folder.
    const auto settingsFolder = std::filesystem::absolute(kConfigFileName).parent_path();
    std::optional<BackupMade> made;
    platform_.waitCursor->begin();
    try {
        made = backupTo(*platform_.fileSystem, session_.file(), place, settingsFolder);
    } catch (...) {
        platform_.waitCursor->end();
        throw;
    }
    platform_.waitCursor->end();
    if (made && made->firstAtStandIn)
        platform_.boxes->show(MsgKind::Information, QString::fromStdString(standInText(*made)), MsgButtons::Ok);
}

void Tform1::Memoaantal1Click() {
    const std::size_t n = session_.file().count();
    platform_.boxes->show(MsgKind::Information, QString::fromStdString(memoCountText(n)), MsgButtons::Ok);
}

void Tform1::Help1Click() {
    helpWindow_->exec();
}

void Tform1::AboutVUK1Click() {
    aboutBox_->show();
    aboutBox_->raise();
    aboutBox_->activateWindow();
}

void Tform1::Aboutauteur1Click() {
    Tauteurdlg authorWindow(this, {platform_, errors_});
    authorWindow.exec();
}

}  // namespace jotanor
