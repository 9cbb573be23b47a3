// The help window: "memohelp.rtf" from the working folder (else as installed) as rich text,
// read anew each time the window opens.
#pragma once

#include "widgets/Dialog.h"

class QTextEdit;

namespace jotanor {

class Trtf_dlg : public Dialog {
    Q_OBJECT

public:
    Trtf_dlg(QWidget* parent, const DialogContext& context);

protected:
    // Fills RichEdit1 from the help file; a missing file keeps what it shows.
    void FormActivate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTextEdit* text_ = nullptr;  // RichEdit1
};

}  // namespace jotanor
