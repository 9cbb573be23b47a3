// The yearly-recurrence pass at start, the configuration file, and the
// options dialog.
#include "mainwindow/Tform1.h"
#include "output/TOptionsdlg.h"
#include "store/ConfigFile.h"
#include "store/Recurrence.h"

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
    runRecurrence(memoFile_, encodeDate(today()), questions, state_.currentRecord);
}

void Tform1::laadoptions() {
    if (!loadConfig(*platform_.fileSystem, kConfigFileName, state_.settings)) return;
    setsize();
}

void Tform1::saveoptions() { saveConfig(*platform_.fileSystem, kConfigFileName, state_.settings); }

void Tform1::Options1Click() {
    if (!optionsDialog_) return;
    optionsDialog_->setSettings(state_.settings);
    if (optionsDialog_->exec() != QDialog::Accepted) return;
    state_.settings = optionsDialog_->settings();
    // A new font size applies to the list at once.
    if (optionsDialog_->confirmed() == TOptionsdlg::Option::FontSize) setsize();
}

}  // namespace jotanor
