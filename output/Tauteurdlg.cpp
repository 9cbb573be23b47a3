#include "output/Tauteurdlg.h"

#include <QLabel>
#include <QMouseEvent>

#include "mainwindow/Tform1.h"
#include "mainwindow/WindowFrame.h"

namespace jotanor {

Tauteurdlg::Tauteurdlg(Tform1& form) : QDialog(&form) {
    setObjectName("auteurdlg");
    setWindowTitle("Auteur");
    setFixedSize(138, 220);
    setAutoFillBackground(true);
    QPalette green = palette();
    green.setColor(QPalette::Window, QColor(0, 128, 0));
    setPalette(green);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(6, 4, 125, 149);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap(":/output/auteur.bmp"));

    QFont arial("Arial");
    arial.setPointSize(8);
    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label1 = new QLabel("V.U.K. is er voor plezier", this);
    Label2 = new QLabel("met Uw computer.", this);
    int top = 160;
    for (QLabel* l : {Label1, Label2}) {
        l->setObjectName(l == Label1 ? "Label1" : "Label2");
        l->setFont(arial);
        l->setPalette(black);
        l->setAlignment(Qt::AlignHCenter);
        l->setGeometry(0, top, width(), 18);
        top += 18;
    }
    for (QWidget* w : {static_cast<QWidget*>(Image1), static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2)})
        w->installEventFilter(this);

    WindowFrame::of(*this).centre(form.platform().screen->size());
}

void Tauteurdlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) accept();
}

bool Tauteurdlg::eventFilter(QObject* watched, QEvent* event) {
    // Clicks on the picture and the labels do nothing.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: return true;
    default: return QDialog::eventFilter(watched, event);
    }
}

}  // namespace jotanor
