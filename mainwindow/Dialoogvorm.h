// Shared shape of the record dialogs: a fixed border and a place in the
// middle of the screen.
#pragma once

#include <QDialog>
#include <QLayout>
#include <QSize>

namespace jotanor {

// The dialog keeps the size its layout gives it, with no help button.
inline void vasteRand(QDialog& dialog) {
    if (dialog.layout()) dialog.layout()->setSizeConstraint(QLayout::SetFixedSize);
    dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

inline void centreer(QDialog& dialog, QSize screen) {
    dialog.move((screen.width() - dialog.frameGeometry().width()) / 2,
                (screen.height() - dialog.frameGeometry().height()) / 2);
}

}  // namespace jotanor
