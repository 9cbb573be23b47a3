#include "output/TAboutBox.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace jotanor {
namespace {

QFont arial(int points, bool bold = false) {
    QFont f("Arial");
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

const char* const kAqua = "background-color: rgb(0, 255, 255);";

}  // namespace

TAboutBox::TAboutBox(QWidget* parent, const DialogContext& context) : Dialog(parent, context) {
    setObjectName("AboutBox");
    setWindowTitle("About");
    setModal(false);
    setFixedSize(265, 403);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    panel_ = new QFrame(this);
    panel_->setObjectName("Panel1");
    panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel_->setLineWidth(2);
    panel_->setAutoFillBackground(true);
    panel_->setStyleSheet(QString("QFrame#Panel1 { %1 }").arg(kAqua));
    outer->addWidget(panel_);

    auto* layout = new QVBoxLayout(panel_);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(2);
    auto label = [this, layout](const char* name, const QString& text, const QFont& font) {
        auto* l = new QLabel(text, panel_);
        l->setObjectName(name);
        l->setFont(font);
        l->setAlignment(Qt::AlignHCenter);
        l->installEventFilter(this);
        layout->addWidget(l);
        return l;
    };

    label("M", "Uw memo-dagboek", arial(14, true));
    label("Label3", "Jotanor", arial(10));
    label("Version", "Versie 2.0", arial(8));

    mascot_ = new QLabel(panel_);
    mascot_->setObjectName("ProgramIcon");
    mascot_->setFixedSize(113, 160);
    mascot_->setPixmap(QPixmap(":/output/vukman.bmp"));
    mascot_->setScaledContents(true);
    mascot_->setToolTip(QString("Ik ben het VUK-mannetje") + "\n" + "           Klik mij...");
    mascot_->setCursor(Qt::PointingHandCursor);
    // Space or Enter on the mascot is its click.
    mascot_->setFocusPolicy(Qt::StrongFocus);
    mascot_->setAccessibleName("Het VUK-mannetje");
    mascot_->setAccessibleDescription("Klik mij...");
    mascot_->installEventFilter(this);
    layout->addWidget(mascot_, 0, Qt::AlignHCenter);

    label("Label2", "V . U . K. ", arial(18, true));
    label("Label4", "Vrije Uren Knutselwerk", arial(8))->setWordWrap(true);  // the maker's brand spelled out
    label("Label5", "Bedacht en gebouwd door", arial(9));
    label("Label6", "Kees Knutselaar, Vukkenburg 2026", arial(10));
    label("Label7", "kees@vukkenburg.example", arial(8));

    auto* strip = new QFrame(panel_);
    strip->setObjectName("Panel2");
    strip->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    strip->setLineWidth(1);
    strip->setStyleSheet(QString("QFrame#Panel2 { %1 }").arg(kAqua));
    auto* stripLayout = new QVBoxLayout(strip);
    stripLayout->setContentsMargins(2, 2, 2, 2);
    auto* web = new QLabel("www.vuk-knutselwerk.example", strip);
    web->setObjectName("Label8");
    web->setFont(arial(9));
    web->setAlignment(Qt::AlignHCenter);
    web->installEventFilter(this);
    stripLayout->addWidget(web);
    layout->addStretch(1);
    layout->addWidget(strip);

    panel_->installEventFilter(this);
    strip->installEventFilter(this);
}

void TAboutBox::vukman_praat() { context_.platform.sound->playWave("vukman.wav"); }

bool TAboutBox::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) emit activated();
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        close();
        return true;
    }
    return QDialog::event(event);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == mascot_ && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            vukman_praat();
            return true;
        }
    }
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    const bool release = type == QEvent::MouseButtonRelease;
    if (!press && !release) return QDialog::eventFilter(watched, event);
    const bool left = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (watched == mascot_) {
        if (release && left) vukman_praat();
    } else if (watched == panel_) {
        if (release && left) close();
    }
    // Clicks on the labels do nothing, and none travels on to the panel.
    return true;
}

}  // namespace jotanor
