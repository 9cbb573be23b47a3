#include "output/Tauteurdlg.h"

#include <QLabel>
#include <QMouseEvent>

namespace jotanor {

Tauteurdlg::Tauteurdlg(QWidget* parent, const DialogContext& context) : Dialog(parent, context) {
    setObjectName("auteurdlg");
    setWindowTitle("Auteur");
    setFixedSize(138, 220);
    setAutoFillBackground(true);
    QPalette green = palette();
    green.setColor(QPalette::Window, QColor(0, 128, 0));
    setPalette(green);

    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setGeometry(6, 4, 125, 149);
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture->setPixmap(QPixmap(":/output/auteur.bmp"));
    picture->setAccessibleName("Foto van de auteur");
    picture->installEventFilter(this);

    QFont arial("Arial");
    arial.setPointSize(8);
    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    int top = 160;
    for (auto [name, text] : {std::pair{"Label1", "V.U.K. is er voor plezier"}, {"Label2", "met Uw computer."}}) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setFont(arial);
        l->setPalette(black);
        l->setAlignment(Qt::AlignHCenter);
        l->setGeometry(0, top, width(), 18);
        l->installEventFilter(this);
        top += 18;
    }
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
