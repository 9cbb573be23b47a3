// Creates the dialogs, hidden, once for the whole run, in their fixed order.
#include "mainwindow/Tform1.h"

#include "calendar/Tkalenderdlg.h"
#include "mainwindow/Tconfirmdlg.h"
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
    vanafdlg = new Tvanafdlg(*this);
    zoekdlg = new Tzoekdlg(*this);
    invoerdlg = new Tinvoerdlg(*this);
    confirmdlg = new Tconfirmdlg(*this);
    wijzigdlg = new Twijzigdlg(*this);
    AboutBox = new TAboutBox(*this);
    kalenderdlg = new Tkalenderdlg(*this);
    heeljaardlg = new Theeljaardlg(*this);
    auteurdlg = new Tauteurdlg(*this);
    rtf_dlg = new Trtf_dlg(*this);
    Optionsdlg = new TOptionsdlg(*this);
    printdlg = new Tprintdlg(*this);
    xwekendlg = new Txwekendlg(*this);
}

}  // namespace jotanor
