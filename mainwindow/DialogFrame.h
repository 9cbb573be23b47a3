// Small helpers shared by the main window's dialogs: a fixed border, a
// place in the middle of the screen, the OK and Cancel buttons.
#pragma once

#include <QBoxLayout>
#include <QDialog>
#include <QLayout>
#include <QPushButton>
#include <QSize>

#include "mainwindow/WindowFrame.h"

namespace jotanor {

// A fixed dialog border: the dialog keeps the size its layout gives it.
inline void fixDialogSize(QDialog& dialog) {
    if (dialog.layout()) dialog.layout()->setSizeConstraint(QLayout::SetFixedSize);
    dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

// Puts the dialog's frame in the middle of a screen of the given size, at
// the size its contents give it now.
inline void centreOnScreen(QDialog& dialog, QSize screen) {
    if (dialog.layout()) dialog.layout()->activate();
    WindowFrame::of(dialog).centre(screen);
}

// The row of "OK" (the default button) and "Cancel" at the foot of a
// dialog; Cancel closes it with the Cancel result, OK is the caller's.
inline QHBoxLayout* okCancelRow(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    ok = new QPushButton("OK", &dialog);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    cancel = new QPushButton("Cancel", &dialog);
    cancel->setObjectName("CancelBtn");
    row->addWidget(ok);
    row->addWidget(cancel);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return row;
}

}  // namespace jotanor
