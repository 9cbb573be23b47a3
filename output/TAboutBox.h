// The About box: shown without being modal; its mascot speaks when clicked.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;

namespace jotanor {

class Tform1;

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(Tform1& form);

    // Plays "vukman.wav" from the working folder; a failure stays silent.
    void vukman_praat();

    QFrame* Panel1 = nullptr;
    QLabel* M = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Version = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;  // the maker's brand spelled out
    QLabel* Label5 = nullptr;  // heading above the author line
    QLabel* Label6 = nullptr;  // author, town and year
    QLabel* Label7 = nullptr;  // e-mail address
    QFrame* Panel2 = nullptr;
    QLabel* Label8 = nullptr;  // web address

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Tform1& form_;
};

}  // namespace jotanor
