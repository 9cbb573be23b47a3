// The yearly-recurrence pass at start, the configuration file, and the
// options dialog.
#include "diary/MemoCommands.h"
#include "mainwindow/MemoListPanel.h"
#include "mainwindow/Tform1.h"
#include "output/TOptionsdlg.h"
#include "store/ConfigFile.h"

namespace jotanor {
namespace {

class BoxQuestions final : public RecurrenceQuestions {
public:
    explicit BoxQuestions(MessageBoxes& boxes) : boxes_(boxes) {}
    bool askMove(const std::string& question) override {
        return boxes_.show(MsgKind::Confirmation, fromMemoText(question), MsgButtons::YesNo) == MsgResult::Yes;
    }
    bool askDropStar(const std::string& question) override {
        return boxes_.show(MsgKind::Confirmation, fromMemoText(question), MsgButtons::OkCancel) == MsgResult::Ok;
    }

private:
    MessageBoxes& boxes_;
};

}  // namespace

void Tform1::auto_update1() {
    BoxQuestions questions(*platform_.boxes);
    yearlyPass(session_.file(), encodeDate(session_.today()), questions);
}

void Tform1::laadoptions() {
    if (!loadConfig(*platform_.fileSystem, kConfigFileName, settings_)) return;
    list_->setsize();
}

void Tform1::saveoptions() { saveConfig(*platform_.fileSystem, kConfigFileName, settings_); }

void Tform1::Options1Click() {
    optionsDialog_->setSettings(settings_);
    optionsDialog_->setMemoFile(session_.file().path());
    if (optionsDialog_->exec() != QDialog::Accepted) return;
    settings_ = optionsDialog_->settings();
    // A new font size applies to the list at once.
    if (optionsDialog_->confirmed() == TOptionsdlg::Option::FontSize) list_->setsize();
}

}  // namespace jotanor
