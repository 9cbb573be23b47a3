#include "output/TOptionsdlg.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include "mainwindow/Tform1.h"
#include "output/ClampingSpinEdit.h"

namespace jotanor {
namespace {

QFrame* panel(const char* name, QWidget* parent, const QRect& geometry) {
    auto* p = new QFrame(parent);
    p->setObjectName(name);
    p->setFrameStyle(QFrame::Panel | QFrame::Raised);
    p->setGeometry(geometry);
    return p;
}

QLabel* label(const QString& text, QWidget* parent, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

template <class T>
T* named(T* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent, const QRect& geometry) {
    auto* b = named(new QPushButton(caption, parent), name, geometry);
    // Enter does not confirm: only a click (or Space) on a button does.
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TOptionsdlg::TOptionsdlg(Tform1& form) : QDialog(&form), form_(form) {
    setObjectName("Optionsdlg");
    setWindowTitle("Options");
    setModal(true);
    setFixedSize(450, 452);
    QFont small("Arial");
    small.setPixelSize(11);
    setFont(small);

    GroupBox1 = named(new QGroupBox("Kies een te wijzigen optie", this), "GroupBox1", QRect(8, 4, 434, 396));
    QWidget* g = GroupBox1;

    RadioButton2 = named(new QRadioButton("Kies de positie waar JOTANOR op uw scherm moet verschijnen bij opstarten", g),
                         "RadioButton2", QRect(10, 22, 418, 22));
    Panel2 = panel("Panel2", g, QRect(24, 46, 400, 32));
    label("Postie van linkerbovenhoek op", Panel2, 8, 8);
    SpinEdit2 = named(new ClampingSpinEdit(0, 95, Panel2), "SpinEdit2", QRect(212, 4, 56, 24));
    label("% van de schermbreedte", Panel2, 274, 8);
    Panel4 = panel("Panel4", g, QRect(24, 80, 400, 32));
    label("Positie van linkeronderhoek op", Panel4, 8, 8);
    SpinEdit3 = named(new ClampingSpinEdit(0, 100, Panel4), "SpinEdit3", QRect(212, 4, 56, 24));
    label("% van de schermhoogte", Panel4, 274, 8);

    RadioButton1 = named(new QRadioButton("Kies een plaats voor een backup van uw memo's", g), "RadioButton1",
                         QRect(10, 120, 418, 22));
    Panel1 = panel("Panel1", g, QRect(24, 144, 400, 64));
    Label1 = named(new QLabel(Panel1), "Label1", QRect(8, 6, 384, 20));
    Label1->setStyleSheet("color: rgb(0, 128, 0);");
    Button2 = button("Button2", "wijzigen", Panel1, QRect(8, 32, 100, 26));
    Button3 = button("Button3", "geen backup", Panel1, QRect(116, 32, 100, 26));

    RadioButton3 = named(new QRadioButton("Grootte van de lettrs in een memo ", g), "RadioButton3",
                         QRect(10, 214, 418, 22));
    Panel3 = panel("Panel3", g, QRect(24, 238, 400, 40));
    SpinEdit1 = named(new ClampingSpinEdit(8, 12, Panel3), "SpinEdit1", QRect(8, 8, 56, 24));
    Label3 = named(new QLabel("Voorbeeldtekst", Panel3), "Label3", QRect(80, 4, 312, 32));
    Label3->setFont(QFont("Arial"));

    RadioButton4 = named(new QRadioButton("Kleur van het weeknummer  ", g), "RadioButton4", QRect(10, 284, 418, 22));
    Panel5 = panel("Panel5", g, QRect(24, 308, 400, 48));
    RadioButton5 = named(new QRadioButton("De even weeknummers groen ", Panel5), "RadioButton5", QRect(8, 4, 380, 20));
    RadioButton6 = named(new QRadioButton("De oneven weeknummers groen", Panel5), "RadioButton6", QRect(8, 24, 380, 20));
    RadioButton5->setChecked(true);

    Button1 = button("Button1", "Voer de gewenste optie in", g, QRect(10, 362, 200, 26));
    cancelbtn = button("cancelbtn", "Cancel", this, QRect(175, 412, 100, 28));

    // Two radio groups of their own: the options, and the week colours
    // (whose panel lies inside the options' group box).
    options_ = new QButtonGroup(this);
    for (QRadioButton* b : {RadioButton1, RadioButton2, RadioButton3, RadioButton4}) options_->addButton(b);
    weekColours_ = new QButtonGroup(this);
    for (QRadioButton* b : {RadioButton5, RadioButton6}) weekColours_->addButton(b);

    RadioButton2->setChecked(true);
    for (QRadioButton* option : {RadioButton2, RadioButton3, RadioButton4})
        connect(option, &QRadioButton::clicked, this, [this] { RadioButtonClick(); });
    connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this](int v) { SpinEdit1Change(v); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { form_.guarded([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(cancelbtn, &QPushButton::clicked, this, &QDialog::reject);
    RadioButtonClick();
}

void TOptionsdlg::showEvent(QShowEvent* event) {
    // Once per opening: the file-save dialog of "wijzigen" must not refill it.
    if (!event->spontaneous()) FormActivate();
    QDialog::showEvent(event);
}

void TOptionsdlg::FormActivate() {
    const Settings& s = form_.state().settings;
    // Neither button is selected for a parity other than 0 or 1.
    weekColours_->setExclusive(false);
    RadioButton5->setChecked(s.weekParity == 0);
    RadioButton6->setChecked(s.weekParity == 1);
    weekColours_->setExclusive(true);

    SpinEdit2->setValue(s.leftPercent);
    SpinEdit3->setValue(s.bottomPercent);
    SpinEdit1->setValue(s.fontSize);  // brought into 8..12
    SpinEdit1Change(SpinEdit1->value());

    pending_ = QString::fromStdString(s.backupPlace);
    showPlace(pending_);
    RadioButtonClick();
}

void TOptionsdlg::RadioButtonClick() {
    Panel1->setVisible(RadioButton1->isChecked());
    Panel2->setVisible(RadioButton2->isChecked());
    Panel4->setVisible(RadioButton2->isChecked());
    Panel3->setVisible(RadioButton3->isChecked());
    Panel5->setVisible(RadioButton4->isChecked());
}

void TOptionsdlg::RadioButton1Click() {
    RadioButtonClick();
    // The place in force, not the pending one.
    showPlace(QString::fromStdString(form_.state().settings.backupPlace));
}

void TOptionsdlg::SpinEdit1Change(int value) {
    QFont f = Label3->font();
    f.setPointSize(value);
    Label3->setFont(f);
    update();
}

void TOptionsdlg::showPlace(const QString& place) {
    Label1->setText(place.isEmpty() ? QString("Geen backup-file ingesteld") : "De plaats is " + place);
}

void TOptionsdlg::Button2Click() {
    if (auto chosen = form_.platform().fileDialogs->saveFile("F:\\jotanor1.mem")) {
        pending_ = *chosen;
        showPlace(pending_);
    }
}

void TOptionsdlg::Button3Click() {
    pending_.clear();
    showPlace(pending_);
}

void TOptionsdlg::Button1Click() {
    Settings& s = form_.state().settings;
    if (RadioButton1->isChecked()) {
        const std::string place = pending_.toStdString();
        if (place != s.backupPlace) s.backupPlace = place;
    } else if (RadioButton2->isChecked()) {
        SpinEdit2->interpretText();
        SpinEdit3->interpretText();
        s.leftPercent = SpinEdit2->value();
        s.bottomPercent = SpinEdit3->value();
    } else if (RadioButton3->isChecked()) {
        SpinEdit1->interpretText();
        s.fontSize = SpinEdit1->value();
        form_.setsize();
    } else if (RadioButton4->isChecked()) {
        if (RadioButton5->isChecked())
            s.weekParity = 0;
        else if (RadioButton6->isChecked())
            s.weekParity = 1;
    }
    accept();
}

}  // namespace jotanor
