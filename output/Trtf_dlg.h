// The help window: "memohelp.rtf" from the working folder as rich text,
// read anew each time the window opens.
#pragma once

#include <QDialog>

class QAction;
class QMenuBar;
class QTextEdit;

namespace jotanor {

class Tform1;

class Trtf_dlg : public QDialog {
    Q_OBJECT

public:
    explicit Trtf_dlg(Tform1& form);

    // Fills RichEdit1 from the help file; a missing file keeps what it shows.
    void FormActivate();

    QMenuBar* MainMenu1 = nullptr;
    QAction* Afsluiten1 = nullptr;
    QTextEdit* RichEdit1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Tform1& form_;
};

}  // namespace jotanor
