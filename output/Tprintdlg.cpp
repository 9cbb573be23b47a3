#include "output/Tprintdlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "calendar/Tkalenderdlg.h"
#include "calendar/core/CalendarGrid.h"
#include "mainwindow/Tform1.h"
#include "output/core/PrintLayout.h"

namespace jotanor {
namespace {

QGroupBox* memoBox(const QString& caption, QPlainTextEdit*& memo, const char* boxName, const char* memoName,
                   QWidget* parent) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(boxName);
    auto* layout = new QVBoxLayout(box);
    memo = new QPlainTextEdit(box);
    memo->setObjectName(memoName);
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memo);
    // Hidden, the box keeps its room, so the controls keep their places.
    QSizePolicy policy = box->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    box->setSizePolicy(policy);
    return box;
}

}  // namespace

Tprintdlg::Tprintdlg(Tform1& form) : QDialog(&form), form_(form) {
    setObjectName("printdlg");
    setWindowTitle("Printen van een opeenvolgende reeks memo's ");
    setSizeGripEnabled(true);
    resize(482, 346);

    auto* layout = new QVBoxLayout(this);
    GroupBox1 = memoBox("Eerste datum van de reeks ", Memo1, "GroupBox1", "Memo1", this);
    GroupBox2 = memoBox("Laatste datum van de reeks ", Memo2, "GroupBox2", "Memo2", this);
    layout->addWidget(GroupBox1, 1);
    layout->addWidget(GroupBox2, 1);

    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton(this);
    Button1->setObjectName("Button1");
    okbtn = new QPushButton("Ok", this);
    okbtn->setObjectName("okbtn");
    Button3 = new QPushButton("Cancel", this);
    Button3->setObjectName("Button3");
    for (QPushButton* b : {Button1, okbtn, Button3}) b->setAutoDefault(false);
    buttons->addWidget(Button1, 1);
    buttons->addWidget(okbtn);
    buttons->addWidget(Button3);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, [this] { form_.guarded([this] { Button1Click(); }); });
    connect(okbtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
}

void Tprintdlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void Tprintdlg::FormActivate() {
    step_ = Step::First;
    Button1->setEnabled(true);
    Button1->setText("Kies de eerste datum van de reeks");
    GroupBox1->hide();
    GroupBox2->hide();
    okbtn->setEnabled(false);
}

void Tprintdlg::keyPressEvent(QKeyEvent* event) {
    // The dialog has no key of its own: Escape does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

double Tprintdlg::pickDay(const QString& caption, const QString& buttonCaption) {
    Tkalenderdlg* calendar = form_.kalenderdlg;
    if (calendar) {
        calendar->setWindowTitle(caption);
        calendar->invoerbtn->setText(buttonCaption);
        calendar->vanafbtn->setEnabled(false);
        calendar->exec();
    }
    return encodeDate(form_.state().chosenDay);
}

void Tprintdlg::fill(QPlainTextEdit* memo, double day) {
    memo->hide();
    memo->clear();
    QStringList lines;
    for (const std::string& line : dayMemoLines(form_.memoFile(), day)) lines << fromMemoText(line);
    memo->setPlainText(lines.join('\n'));
}

void Tprintdlg::Button1Click() {
    MainState& state = form_.state();
    if (step_ == Step::First) {
        state.printFirst = pickDay("Kies de begindatum voor de te printen serie", "Begindatum OK");
        fill(Memo1, state.printFirst);
        Memo1->show();
        GroupBox1->show();
        Button1->setText("Kies de laatste datum van de reeks");
        step_ = Step::Last;
    } else {
        state.printLast = pickDay("Kies de einddatum voor de te printen serie", "Einddatum OK");
        fill(Memo2, state.printLast);
        Memo2->show();
        GroupBox2->show();
        okbtn->setEnabled(true);
        Button1->setEnabled(false);
    }
}

}  // namespace jotanor
