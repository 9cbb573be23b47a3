// The About box: shown without being modal; its mascot speaks when clicked.
#pragma once

#include "widgets/Dialog.h"

class QFrame;
class QLabel;

namespace jotanor {

class TAboutBox : public Dialog {
    Q_OBJECT

public:
    TAboutBox(QWidget* parent, const DialogContext& context);

    // Plays "vukman.wav" from the working folder (else as installed); a failure stays silent.
    void vukman_praat();

signals:
    // The box became the active window.
    void activated();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QFrame* panel_ = nullptr;   // Panel1
    QLabel* mascot_ = nullptr;  // ProgramIcon
};

}  // namespace jotanor
