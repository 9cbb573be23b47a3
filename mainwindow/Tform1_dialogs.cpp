// Creates the dialogs, hidden, once for the whole run, in their fixed order.
// Each gets the shared context and nothing of the window.
#include "calendar/Tkalenderdlg.h"
#include "mainwindow/Tconfirmdlg.h"
#include "mainwindow/Tform1.h"
#include "mainwindow/Theeljaardlg.h"
#include "mainwindow/Tinvoerdlg.h"
#include "mainwindow/Tvanafdlg.h"
#include "mainwindow/Twijzigdlg.h"
#include "mainwindow/Txwekendlg.h"
#include "mainwindow/Tzoekdlg.h"
#include "output/TAboutBox.h"
#include "output/TOptionsdlg.h"
#include "output/Tauteurdlg.h"
#include "output/Tprintdlg.h"
#include "output/Trtf_dlg.h"

namespace jotanor {

void Tform1::createDialogs() {
    const DialogContext context{platform_, errors_};
    fromDateDialog_ = new Tvanafdlg(this, context);
    searchDialog_ = new Tzoekdlg(this, context);
    entryDialog_ = new Tinvoerdlg(this, context);
    deleteDialog_ = new Tconfirmdlg(this, context);
    changeDialog_ = new Twijzigdlg(this, context);
    aboutBox_ = new TAboutBox(this, context);
    // Returning from the About box runs the activation step again.
    connect(aboutBox_, &TAboutBox::activated, this, [this] { returnFromModeless_ = true; });
    calendar_ = new Tkalenderdlg(this, context, session_.file());
    yearDialog_ = new Theeljaardlg(this, context);
    authorWindow_ = new Tauteurdlg(this, context);
    helpWindow_ = new Trtf_dlg(this, context);
    optionsDialog_ = new TOptionsdlg(this, context);
    printDialog_ = new Tprintdlg(this, context, session_.file(), [this](const QString& caption, const QString& button) {
        return pickPrintDay(caption, button);
    });
    weeksBackDialog_ = new Txwekendlg(this, context);
}

}  // namespace jotanor
