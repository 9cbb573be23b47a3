#include "mainwindow/Dialog.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QShowEvent>

#include "mainwindow/WindowFrame.h"

namespace jotanor {

bool ErrorSink::guarded(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        show(e);
        return false;
    }
}

void ErrorSink::show(const std::exception& error) {
    boxes_.show(MsgKind::Error, QString::fromStdString(error.what()), MsgButtons::Ok);
}

Dialog::Dialog(QWidget* parent, const DialogContext& context, Placement placement)
    : QDialog(parent), context_(context), placement_(placement) {}

void Dialog::fixSize() {
    if (layout()) layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

QHBoxLayout* Dialog::okCancelRow(QPushButton*& ok, QPushButton*& cancel) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelBtn");
    row->addWidget(ok);
    row->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return row;
}

bool Dialog::checkDate(int year, int month, int day) {
    if (isValidDate(year, month, day)) return true;
    context_.platform.boxes->show(MsgKind::Warning,
                                  QString("datum %1/%2/%3 bestaat niet...").arg(day).arg(month).arg(year),
                                  MsgButtons::Ok);
    return false;
}

void Dialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The window system showing the dialog again (after a window of its own
    // closed, or after a minimise) is no new opening.
    if (event->spontaneous()) return;
    if (placement_ == Placement::Centred) {
        // Centred at the size its contents give it now.
        if (layout()) layout()->activate();
        WindowFrame::of(*this).centre(context_.platform.screen->size());
    }
    context_.errors.guarded([this] { FormActivate(); });
}

}  // namespace jotanor
