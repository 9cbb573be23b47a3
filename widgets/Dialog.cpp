#include "widgets/Dialog.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QBoxLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QShowEvent>

#include "store/Errors.h"
#include "widgets/WindowFrame.h"

namespace jotanor {

void showStatus(QLabel& label, const QString& text, bool alert) {
    label.setText(text);
    if (label.accessibleDescription() == text) return;
    label.setAccessibleDescription(text);
    QAccessibleEvent changed(&label, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
    if (alert && !text.isEmpty()) {
        QAccessibleEvent warned(&label, QAccessible::Alert);
        QAccessible::updateAccessibility(&warned);
    }
}

bool ErrorSink::guarded(const std::function<void()>& work) {
    try {
        work();
        showNotices();
        return true;
    } catch (const std::exception& e) {
        showNotices();
        show(e);
        return false;
    }
}

void ErrorSink::show(const std::exception& error) {
    // A file error names its file.
    const auto* io = dynamic_cast<const IoError*>(&error);
    const std::string text = io ? io->fullText() : error.what();
    boxes_.show(MsgKind::Error, QString::fromStdString(text), MsgButtons::Ok);
}

void ErrorSink::showNotices() {
    if (!notices_) return;
    for (const std::string& text : notices_()) boxes_.show(MsgKind::Warning, QString::fromStdString(text), MsgButtons::Ok);
}

Dialog::Dialog(QWidget* parent, const DialogContext& context, Placement placement)
    : QDialog(parent), context_(context), placement_(placement) {}

void Dialog::fixSize() {
    if (layout()) {
        layout()->setSizeConstraint(QLayout::SetFixedSize);
        // A fixed-size dialog is as wide as its controls; a narrow one would
        // cut its caption short in the title bar.
        captionRoom_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
        if (auto* box = qobject_cast<QBoxLayout*>(layout()))
            box->addSpacerItem(captionRoom_);
        else if (auto* grid = qobject_cast<QGridLayout*>(layout()))
            grid->addItem(captionRoom_, grid->rowCount(), 0, 1, grid->columnCount());
        else
            layout()->addItem(captionRoom_);
        fitCaption();
    }
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void Dialog::fitCaption() {
    if (!captionRoom_) return;
    // The title bar's font is the desktop's; a bold application font comes
    // close. Room is left for the window icon and three title-bar buttons.
    QFont title = QApplication::font();
    title.setBold(true);
    constexpr int kTitleBarButtons = 140;
    const int margins = layout()->contentsMargins().left() + layout()->contentsMargins().right();
    const int width = QFontMetrics(title).horizontalAdvance(windowTitle()) + kTitleBarButtons - margins;
    captionRoom_->changeSize(std::max(width, 0), 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout()->invalidate();
}

void Dialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange) fitCaption();
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
