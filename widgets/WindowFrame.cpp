#include "widgets/WindowFrame.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace jotanor {
namespace {

// The borders of the last window that showed a frame of its own.
QMargins& lastKnownMargins() {
    static QMargins margins;
    return margins;
}

// Far beyond any screen, and small enough that Qt's own sums cannot overflow.
int bounded(qint64 value, qint64 lowest = -QWIDGETSIZE_MAX) {
    return static_cast<int>(std::clamp<qint64>(value, lowest, QWIDGETSIZE_MAX));
}

}  // namespace

WindowFrame::WindowFrame(QWidget& window) : QObject(&window), window_(window) {
    setObjectName("WindowFrame");
    window_.installEventFilter(this);
    recheck_.setSingleShot(true);
    connect(&recheck_, &QTimer::timeout, this, [this] {
        if (margins() != applied_) apply();
        if (--checksLeft_ > 0) recheck_.start(recheck_.interval() * 2);
    });
}

WindowFrame& WindowFrame::of(QWidget& window) {
    if (auto* existing = window.findChild<WindowFrame*>("WindowFrame", Qt::FindDirectChildrenOnly)) return *existing;
    return *new WindowFrame(window);
}

QMargins WindowFrame::margins() const {
    // Asked of the platform each time: a window manager may change them
    // after it has framed the window, without moving it.
    const QWindow* handle = window_.windowHandle();
    const QMargins own = handle ? handle->frameMargins() : QMargins();
    if (own.isNull()) return lastKnownMargins();
    lastKnownMargins() = own;
    return own;
}

QRect WindowFrame::frame() const {
    if (target_ == Target::Frame && window_.geometry() == inside_) return frame_;
    return window_.geometry().marginsAdded(margins());
}

void WindowFrame::place(const QRect& frame) {
    target_ = Target::Frame;
    frame_ = frame;
    apply();
    watch();
}

void WindowFrame::centre(QSize screen) {
    target_ = Target::Centre;
    screen_ = screen;
    apply();
    watch();
}

void WindowFrame::watch() {
    if (!window_.isVisible()) return;
    // A few looks over the next seconds, ever further apart.
    checksLeft_ = 8;
    recheck_.start(25);
}

void WindowFrame::apply() {
    const QMargins m = margins();
    const qint64 across = m.left() + m.right();
    const qint64 down = m.top() + m.bottom();
    QSize size = window_.size();
    QPoint corner = frame_.topLeft();
    if (target_ == Target::Frame)
        size = QSize(bounded(qint64{frame_.width()} - across, 0), bounded(qint64{frame_.height()} - down, 0));
    if (target_ == Target::Centre)
        corner = QPoint(bounded((qint64{screen_.width()} - size.width() - across) / 2),
                        bounded((qint64{screen_.height()} - size.height() - down) / 2));
    window_.setGeometry(bounded(qint64{corner.x()} + m.left()), bounded(qint64{corner.y()} + m.top()), size.width(),
                        size.height());
    applied_ = m;
    inside_ = window_.geometry();
}

bool WindowFrame::eventFilter(QObject* watched, QEvent* event) {
    // Once shown, the window manager frames the window, and may tell the
    // frame's borders a little later: the place is worked out again with
    // the borders it gave.
    if (watched == &window_ && target_ != Target::None && event->type() == QEvent::Show) {
        if (margins() != applied_) apply();
        watch();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace jotanor
