// What the program's dialogs share: the context they may hold (the
// platform services and the one place that shows errors) and a base that
// places a dialog each time it opens and then runs its activation step.
// A dialog takes its values in through setters or its exec arguments and
// gives the user's answer out through getters; the main window decides
// what follows.
#pragma once

#include <QDialog>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpacerItem;

namespace jotanor {

// Shows a status in a label and gives a screen reader the text: as the
// label's description (its name says what the status is about), with the
// change announced. `alert` also announces it as a warning.
void showStatus(QLabel& label, const QString& text, bool alert = false);

// Shows the errors of commands and handlers in an "Error" box with their
// standard text.
class ErrorSink {
public:
    explicit ErrorSink(MessageBoxes& boxes) : boxes_(boxes) {}

    // Runs `work`; an error ends it and is shown. False when it ended with
    // an error.
    bool guarded(const std::function<void()>& work);
    void show(const std::exception& error);
    // Where the notices come from that are shown after each guarded work.
    void takeNoticesFrom(std::function<std::vector<std::string>()> source) { notices_ = std::move(source); }

private:
    void showNotices();

    MessageBoxes& boxes_;
    std::function<std::vector<std::string>()> notices_;
};

// All that a dialog may hold of the program around it.
struct DialogContext {
    Platform& platform;
    ErrorSink& errors;

    Ymd today() const { return platform.clock->today(); }
};

class Dialog : public QDialog {
    Q_OBJECT

public:
    enum class Placement {
        Centred,   // in the middle of the screen, at the size it shows
        OwnPlace,  // where the dialog puts itself
    };

protected:
    Dialog(QWidget* parent, const DialogContext& context, Placement placement = Placement::Centred);

    // The activation step: runs each time the dialog opens, after it is
    // placed. An error in it is shown and the dialog stays open.
    virtual void FormActivate() {}

    // A fixed dialog border: the dialog keeps the size its layout gives it,
    // and is at least as wide as its caption needs.
    void fixSize();
    // The row of "OK" (the default button) and "Cancel" at the foot of a
    // dialog; Cancel closes it with the Cancel result, OK is the caller's.
    QHBoxLayout* okCancelRow(QPushButton*& ok, QPushButton*& cancel);
    // True when the date exists; otherwise warns "datum d/m/y bestaat
    // niet..." and gives false.
    bool checkDate(int year, int month, int day);

    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

    const DialogContext context_;

private:
    void fitCaption();

    Placement placement_;
    QSpacerItem* captionRoom_ = nullptr;  // keeps a fixed-size dialog as wide as its caption
};

}  // namespace jotanor
