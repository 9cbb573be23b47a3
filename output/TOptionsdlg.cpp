#include "output/TOptionsdlg.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "widgets/SpinEdit.h"

namespace jotanor {
namespace {

// A screen reader would name every panel after the group box it lies in;
// each is named for its option instead.
QFrame* panel(const char* name, const char* spoken, QWidget* parent, const QRect& geometry) {
    auto* p = new QFrame(parent);
    p->setObjectName(name);
    p->setAccessibleName(spoken);
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

TOptionsdlg::TOptionsdlg(QWidget* parent, const DialogContext& context)
    : Dialog(parent, context, Placement::OwnPlace) {
    setObjectName("Optionsdlg");
    setWindowTitle("Options");
    setModal(true);
    setFixedSize(450, 452);
    QFont small("Arial");
    small.setPixelSize(11);
    setFont(small);

    auto* options = named(new QGroupBox("Kies een te wijzigen optie", this), "GroupBox1", QRect(8, 4, 434, 396));

    positionOption_ = named(
        new QRadioButton("Kies de positie waar JOTANOR op uw scherm moet verschijnen bij opstarten", options),
        "RadioButton2", QRect(10, 22, 418, 22));
    leftPanel_ = panel("Panel2", "Positie van linkerbovenhoek", options, QRect(24, 46, 400, 32));
    label("Postie van linkerbovenhoek op", leftPanel_, 8, 8);
    leftSpin_ = named(new SpinEdit(kLeftPercentRange.low, kLeftPercentRange.high, leftPanel_), "SpinEdit2", QRect(212, 4, 56, 24));
    label("% van de schermbreedte", leftPanel_, 274, 8);
    bottomPanel_ = panel("Panel4", "Positie van linkeronderhoek", options, QRect(24, 80, 400, 32));
    label("Positie van linkeronderhoek op", bottomPanel_, 8, 8);
    bottomSpin_ = named(new SpinEdit(kBottomPercentRange.low, kBottomPercentRange.high, bottomPanel_), "SpinEdit3", QRect(212, 4, 56, 24));
    label("% van de schermhoogte", bottomPanel_, 274, 8);

    backupOption_ = named(new QRadioButton("Kies een plaats voor een backup van uw memo's", options), "RadioButton1",
                          QRect(10, 120, 418, 22));
    backupPanel_ = panel("Panel1", "Plaats voor een backup", options, QRect(24, 144, 400, 64));
    place_ = named(new QLabel(backupPanel_), "Label1", QRect(8, 6, 384, 20));
    place_->setStyleSheet("color: rgb(0, 128, 0);");
    auto* changePlace = button("Button2", "wijzigen", backupPanel_, QRect(8, 32, 100, 26));
    auto* noBackup = button("Button3", "geen backup", backupPanel_, QRect(116, 32, 100, 26));

    fontOption_ = named(new QRadioButton("Grootte van de lettrs in een memo ", options), "RadioButton3",
                        QRect(10, 214, 418, 22));
    fontPanel_ = panel("Panel3", "Grootte van de letters", options, QRect(24, 238, 400, 40));
    fontSpin_ = named(new SpinEdit(8, 12, fontPanel_), "SpinEdit1", QRect(8, 8, 56, 24));
    fontSpin_->setAccessibleName("Lettergrootte in punten");
    leftSpin_->setAccessibleName("Linkerrand in % van de schermbreedte");
    bottomSpin_->setAccessibleName("Onderrand in % van de schermhoogte");
    place_->setAccessibleName("Plaats van de backup");
    sample_ = named(new QLabel("Voorbeeldtekst", fontPanel_), "Label3", QRect(80, 4, 312, 32));
    sample_->setFont(QFont("Arial"));

    colourOption_ =
        named(new QRadioButton("Kleur van het weeknummer  ", options), "RadioButton4", QRect(10, 284, 418, 22));
    colourPanel_ = panel("Panel5", "Kleur van het weeknummer", options, QRect(24, 308, 400, 48));
    evenGreen_ = named(new QRadioButton("De even weeknummers groen ", colourPanel_), "RadioButton5",
                       QRect(8, 4, 380, 20));
    oddGreen_ = named(new QRadioButton("De oneven weeknummers groen", colourPanel_), "RadioButton6",
                      QRect(8, 24, 380, 20));
    evenGreen_->setChecked(true);

    auto* confirm = button("Button1", "Voer de gewenste optie in", options, QRect(10, 362, 200, 26));
    auto* cancel = button("cancelbtn", "Cancel", this, QRect(175, 412, 100, 28));

    // Two radio groups of their own: the options, and the week colours
    // (whose panel lies inside the options' group box).
    auto* optionGroup = new QButtonGroup(this);
    for (QRadioButton* b : {backupOption_, positionOption_, fontOption_, colourOption_}) optionGroup->addButton(b);
    weekColours_ = new QButtonGroup(this);
    for (QRadioButton* b : {evenGreen_, oddGreen_}) weekColours_->addButton(b);

    positionOption_->setChecked(true);
    for (QRadioButton* option : {positionOption_, fontOption_, colourOption_})
        connect(option, &QRadioButton::clicked, this, [this] { RadioButtonClick(); });
    connect(backupOption_, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
    connect(fontSpin_, &QSpinBox::valueChanged, this, [this](int v) { SpinEdit1Change(v); });
    connect(confirm, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(changePlace, &QPushButton::clicked, this, [this] { context_.errors.guarded([this] { Button2Click(); }); });
    connect(noBackup, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    RadioButtonClick();
}

void TOptionsdlg::FormActivate() {
    const Settings& s = settings_;
    // Neither button is selected for a parity other than 0 or 1.
    weekColours_->setExclusive(false);
    evenGreen_->setChecked(s.weekParity == 0);
    oddGreen_->setChecked(s.weekParity == 1);
    weekColours_->setExclusive(true);

    leftSpin_->setValue(s.leftPercent);
    bottomSpin_->setValue(s.bottomPercent);
    fontSpin_->setValue(s.fontSize);  // brought into 8..12
    SpinEdit1Change(fontSpin_->value());

    pending_ = QString::fromStdString(s.backupPlace);
    showPlace(pending_);
    RadioButtonClick();
}

void TOptionsdlg::RadioButtonClick() {
    backupPanel_->setVisible(backupOption_->isChecked());
    leftPanel_->setVisible(positionOption_->isChecked());
    bottomPanel_->setVisible(positionOption_->isChecked());
    fontPanel_->setVisible(fontOption_->isChecked());
    colourPanel_->setVisible(colourOption_->isChecked());
}

void TOptionsdlg::RadioButton1Click() {
    RadioButtonClick();
    // The place in force, not the pending one.
    showPlace(QString::fromStdString(settings_.backupPlace));
}

void TOptionsdlg::SpinEdit1Change(int value) {
    QFont f = sample_->font();
    f.setPointSize(value);
    sample_->setFont(f);
    update();
}

void TOptionsdlg::showPlace(const QString& place) {
    showStatus(*place_, place.isEmpty() ? QString("Geen backup-file ingesteld") : "De plaats is " + place);
}

void TOptionsdlg::Button2Click() {
    if (auto chosen = context_.platform.fileDialogs->saveFile("F:\\jotanor1.mem")) {
        // A copy onto the file itself would be no backup at all.
        if (isMemoFile(*chosen)) {
            context_.platform.boxes->show(MsgKind::Warning,
                                          "Het memobestand zelf kan niet zijn eigen backup zijn; kies een andere plaats.",
                                          MsgButtons::Ok);
            return;
        }
        pending_ = *chosen;
        showPlace(pending_);
    }
}

bool TOptionsdlg::isMemoFile(const QString& place) const {
    if (memoFile_.empty()) return false;
    FileSystem& files = *context_.platform.fileSystem;
    const auto backup = files.info(toPath(place), true);
    const auto memo = files.info(memoFile_, true);
    if (backup && memo && memo->inode != 0) return backup->sameFile(*memo);
    return std::filesystem::absolute(toPath(place)).lexically_normal() == memoFile_.lexically_normal();
}

void TOptionsdlg::Button3Click() {
    pending_.clear();
    showPlace(pending_);
}

void TOptionsdlg::Button1Click() {
    Settings& s = settings_;
    if (backupOption_->isChecked()) {
        confirmed_ = Option::BackupPlace;
        s.backupPlace = pending_.toStdString();
    } else if (positionOption_->isChecked()) {
        confirmed_ = Option::StartPosition;
        leftSpin_->interpretText();
        bottomSpin_->interpretText();
        s.leftPercent = leftSpin_->value();
        s.bottomPercent = bottomSpin_->value();
    } else if (fontOption_->isChecked()) {
        confirmed_ = Option::FontSize;
        fontSpin_->interpretText();
        s.fontSize = fontSpin_->value();
    } else if (colourOption_->isChecked()) {
        confirmed_ = Option::WeekColours;
        if (evenGreen_->isChecked())
            s.weekParity = 0;
        else if (oddGreen_->isChecked())
            s.weekParity = 1;
    }
    accept();
}

}  // namespace jotanor
