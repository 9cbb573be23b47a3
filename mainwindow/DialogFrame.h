// Small helpers shared by the main window's dialogs.
#pragma once

#include <QDialog>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

namespace jotanor {

// A fixed dialog border: the dialog keeps the size its layout gives it.
inline void fixDialogSize(QDialog& dialog) {
    if (dialog.layout()) dialog.layout()->setSizeConstraint(QLayout::SetFixedSize);
    dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

// Puts the dialog in the middle of the screen.
inline void centreOnScreen(QDialog& dialog) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = dialog.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog.move(frame.topLeft());
    }
}

}  // namespace jotanor
