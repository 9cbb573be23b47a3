#include "output/Tprintdlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "calendar/core/CalendarGrid.h"
#include "widgets/DayMemoPanel.h"

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
    memo->setAccessibleName(caption.trimmed());
    layout->addWidget(memo);
    // Hidden, the box keeps its room, so the controls keep their places.
    QSizePolicy policy = box->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    box->setSizePolicy(policy);
    return box;
}

}  // namespace

Tprintdlg::Tprintdlg(QWidget* parent, const DialogContext& context, MemoFile& memos, DayPicker pickDay)
    : Dialog(parent, context, Placement::OwnPlace), memos_(memos), pickDay_(std::move(pickDay)) {
    setObjectName("printdlg");
    setWindowTitle("Printen van een opeenvolgende reeks memo's ");
    setSizeGripEnabled(true);
    resize(482, 346);

    auto* layout = new QVBoxLayout(this);
    firstBox_ = memoBox("Eerste datum van de reeks ", firstMemos_, "GroupBox1", "Memo1", this);
    lastBox_ = memoBox("Laatste datum van de reeks ", lastMemos_, "GroupBox2", "Memo2", this);
    layout->addWidget(firstBox_, 1);
    layout->addWidget(lastBox_, 1);

    auto* buttons = new QHBoxLayout;
    pickButton_ = new QPushButton("Kies de eerste datum van de reeks", this);
    pickButton_->setObjectName("Button1");
    okButton_ = new QPushButton("Ok", this);
    okButton_->setObjectName("okbtn");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("Button3");
    for (QPushButton* b : {pickButton_, okButton_, cancel}) b->setAutoDefault(false);
    buttons->addWidget(pickButton_, 1);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(pickButton_, &QPushButton::clicked, this, [this] { context_.errors.guarded([this] { Button1Click(); }); });
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Tprintdlg::FormActivate() {
    step_ = Step::First;
    pickButton_->setEnabled(true);
    pickButton_->setText("Kies de eerste datum van de reeks");
    firstBox_->hide();
    lastBox_->hide();
    okButton_->setEnabled(false);
}

void Tprintdlg::keyPressEvent(QKeyEvent* event) {
    // The dialog has no key of its own: Escape does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tprintdlg::showDay(QGroupBox* box, QPlainTextEdit* memos, DaySerial day) {
    showDayMemos(*memos, [&] { return dayMemoLines(memos_, day); });
    box->show();
}

void Tprintdlg::Button1Click() {
    if (step_ == Step::First) {
        first_ = pickDay_("Kies de begindatum voor de te printen serie", "Begindatum OK");
        showDay(firstBox_, firstMemos_, first_);
        pickButton_->setText("Kies de laatste datum van de reeks");
        step_ = Step::Last;
    } else {
        last_ = pickDay_("Kies de einddatum voor de te printen serie", "Einddatum OK");
        showDay(lastBox_, lastMemos_, last_);
        okButton_->setEnabled(true);
        pickButton_->setEnabled(false);
    }
}

}  // namespace jotanor
