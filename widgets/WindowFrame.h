// Places top-level windows by their outer frame, title bar and borders
// included, as the program's home platform does. A window manager tells the
// frame's size only once it has framed the window; until then the frame of
// a window framed before stands in for it, and the window is placed again
// as soon as its own frame is known. Without a window manager the frame and
// the inside are one.
#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QTimer>

class QWidget;

namespace jotanor {

class WindowFrame : public QObject {
    Q_OBJECT

public:
    // The helper of `window`, made on first use and owned by the window.
    static WindowFrame& of(QWidget& window);

    // Puts the frame at `frame`; the inside gets what the frame leaves.
    void place(const QRect& frame);
    // Puts the frame in the middle of a screen of the given size; the
    // inside keeps its size.
    void centre(QSize screen);

    // The frame as last placed, or, once the user has moved or resized the
    // window, where it is now.
    QRect frame() const;
    // The frame's borders around the inside, as best known.
    QMargins margins() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowFrame(QWidget& window);
    void apply();
    // Looks again at the borders for a while, as the window manager may
    // give them late.
    void watch();

    enum class Target { None, Frame, Centre };

    QWidget& window_;
    Target target_ = Target::None;
    QRect frame_;       // Frame: where the frame goes
    QSize screen_;      // Centre: the screen to centre on
    QMargins applied_;  // the borders the last placing reckoned with
    QRect inside_;      // where the last placing put the inside
    QTimer recheck_;
    int checksLeft_ = 0;
};

}  // namespace jotanor
