#include "output/TAboutBox.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "mainwindow/Tform1.h"
#include "mainwindow/WindowFrame.h"

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

TAboutBox::TAboutBox(Tform1& form) : QDialog(&form), form_(form) {
    setObjectName("AboutBox");
    setWindowTitle("About");
    setModal(false);
    setFixedSize(265, 403);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setAutoFillBackground(true);
    Panel1->setStyleSheet(QString("QFrame#Panel1 { %1 }").arg(kAqua));
    outer->addWidget(Panel1);

    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(2);
    auto label = [this, layout](const char* name, const QString& text, const QFont& font) {
        auto* l = new QLabel(text, Panel1);
        l->setObjectName(name);
        l->setFont(font);
        l->setAlignment(Qt::AlignHCenter);
        l->installEventFilter(this);
        layout->addWidget(l);
        return l;
    };

    M = label("M", "Uw memo-dagboek", arial(14, true));
    Label3 = label("Label3", "Jotanor", arial(10));
    Version = label("Version", "Versie 2.0", arial(8));

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setFixedSize(113, 160);
    ProgramIcon->setPixmap(QPixmap(":/output/vukman.bmp"));
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setToolTip(QString("Ik ben het VUK-mannetje") + "\n" + "           Klik mij...");
    ProgramIcon->setCursor(Qt::PointingHandCursor);
    ProgramIcon->installEventFilter(this);
    layout->addWidget(ProgramIcon, 0, Qt::AlignHCenter);

    Label2 = label("Label2", "V . U . K. ", arial(18, true));
    Label4 = label("Label4", "Vrije Uren Knutselwerk", arial(8));
    Label4->setWordWrap(true);
    Label5 = label("Label5", "Bedacht en gebouwd door", arial(9));
    Label6 = label("Label6", "Kees Knutselaar, Vukkenburg 2026", arial(10));
    Label7 = label("Label7", "kees@vukkenburg.example", arial(8));

    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setLineWidth(1);
    Panel2->setStyleSheet(QString("QFrame#Panel2 { %1 }").arg(kAqua));
    auto* strip = new QVBoxLayout(Panel2);
    strip->setContentsMargins(2, 2, 2, 2);
    Label8 = new QLabel("www.vuk-knutselwerk.example", Panel2);
    Label8->setObjectName("Label8");
    Label8->setFont(arial(9));
    Label8->setAlignment(Qt::AlignHCenter);
    Label8->installEventFilter(this);
    strip->addWidget(Label8);
    layout->addStretch(1);
    layout->addWidget(Panel2);

    Panel1->installEventFilter(this);
    Panel2->installEventFilter(this);

    WindowFrame::of(*this).centre(form.platform().screen->size());
}

void TAboutBox::vukman_praat() { form_.platform().sound->playWave("vukman.wav"); }

bool TAboutBox::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) form_.modelessWindowActivated();
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        close();
        return true;
    }
    return QDialog::event(event);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    const bool release = type == QEvent::MouseButtonRelease;
    if (!press && !release) return QDialog::eventFilter(watched, event);
    const bool left = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (watched == ProgramIcon) {
        if (release && left) vukman_praat();
    } else if (watched == Panel1) {
        if (release && left) close();
    }
    // Clicks on the labels do nothing, and none travels on to the panel.
    return true;
}

}  // namespace jotanor
