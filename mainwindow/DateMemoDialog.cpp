#include "mainwindow/DateMemoDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "store/Win1252.h"
#include "widgets/SpinEdit.h"

namespace jotanor {

DateMemoDialog::DateMemoDialog(QWidget* parent, const DialogContext& context, const QString& caption, int maxYear)
    : Dialog(parent, context) {
    setWindowTitle(caption);
    setModal(true);

    auto* grid = new QGridLayout(this);
    auto addSpin = [&](int column, const char* name, const char* label, const char* spoken, int lo, int hi) {
        auto* spin = new SpinEdit(lo, hi, this);
        spin->setObjectName(name);
        spin->setFixedWidth(70);
        spin->setAccessibleName(spoken);
        auto* caption = new QLabel(label, this);
        caption->setBuddy(spin);
        grid->addWidget(caption, 0, column);
        grid->addWidget(spin, 1, column);
        return spin;
    };
    daySpin_ = addSpin(0, "SpinEdit1", "dag", "Dag", 1, 31);
    monthSpin_ = addSpin(1, "SpinEdit2", "maand", "Maand", 1, 12);
    yearSpin_ = addSpin(2, "SpinEdit3", "jaar", "Jaar", 0, maxYear);
    dayName_ = new QLabel(this);
    dayName_->setObjectName("Label4");
    dayName_->setMinimumWidth(90);
    // Read by its text, the weekday itself; what it is, as its description.
    dayName_->setAccessibleDescription("Dag van de week");
    grid->addWidget(dayName_, 1, 3);

    auto addEdit = [&](int row, const char* name, const char* spoken) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setAccessibleName(spoken);
        edit->setMaxLength(static_cast<int>(MemoRecord::kMaxLine));
        // Room for a full line of 100 characters.
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 80);
        grid->addWidget(edit, row, 0, 1, 4);
        return edit;
    };
    line1Edit_ = addEdit(2, "Edit1", "Eerste regel van de memo");
    line2Edit_ = addEdit(3, "Edit2", "Tweede regel van de memo");

    replaced_ = new QLabel(this);
    replaced_->setObjectName("replacedLabel");
    replaced_->setAccessibleName("Waarschuwing");
    replaced_->setStyleSheet("color: rgb(128, 0, 0);");
    replaced_->setWordWrap(true);
    replaced_->hide();
    grid->addWidget(replaced_, 4, 0, 1, 4);
    connect(line1Edit_, &QLineEdit::textChanged, this, &DateMemoDialog::showReplaced);
    connect(line2Edit_, &QLineEdit::textChanged, this, &DateMemoDialog::showReplaced);

    QPushButton* cancel = nullptr;
    grid->addLayout(okCancelRow(okButton_, cancel), 5, 0, 1, 4);

    auto onChange = [this](void (DateMemoDialog::*handler)()) {
        return [this, handler] { context_.errors.guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(daySpin_, &QSpinBox::valueChanged, this, onChange(&DateMemoDialog::SpinEdit1Change));
    connect(monthSpin_, &QSpinBox::valueChanged, this, onChange(&DateMemoDialog::SpinEdit2Change));
    connect(yearSpin_, &QSpinBox::valueChanged, this, onChange(&DateMemoDialog::SpinEdit3Change));
    fixSize();
}

void DateMemoDialog::showDate(const Ymd& date) {
    const bool was = filling_;
    filling_ = true;
    daySpin_->setValue(date.day);
    monthSpin_->setValue(date.month);
    yearSpin_->setValue(date.year);
    filling_ = was;
}

void DateMemoDialog::showMemo(const Ymd& date, const QString& line1, const QString& line2) {
    showDate(date);
    line1Edit_->setText(line1);
    line2Edit_->setText(line2);
    datumproc();
}

void DateMemoDialog::datumproc() {
    if (filling_) return;
    // Set all three at once: checking each step on the way could warn
    // about a mixed date the user never gave.
    if (!checkDate(yearSpin_->value(), monthSpin_->value(), daySpin_->value())) showDate(context_.today());
    const DaySerial shown = encodeDate(yearSpin_->value(), monthSpin_->value(), daySpin_->value());
    dayName_->setText(QString::fromStdString(dagnamen(dayOfWeek(shown))));
}

void DateMemoDialog::showReplaced() {
    QStringList unheld;
    for (const QLineEdit* edit : {line1Edit_, line2Edit_}) {
        for (const char32_t c : edit->text().toUcs4()) {
            const QString one = QString::fromUcs4(&c, 1);
            if (!unheld.contains(one) && !utf8ToCp1252Exact(one.toStdString())) unheld << one;
        }
    }
    // Shown before the text changes, so that the announcement is of a visible label.
    replaced_->setVisible(!unheld.isEmpty());
    showStatus(*replaced_,
               unheld.isEmpty() ? QString()
                                : "Een memo kan deze tekens niet bewaren; OK bewaart ze als \"?\": " + unheld.join("  "),
               true);
}

MemoRecord DateMemoDialog::memo() const {
    return MemoRecord{encodeDate(yearSpin_->value(), monthSpin_->value(), daySpin_->value()),
                      cutLine(toMemoText(line1Edit_->text())), cutLine(toMemoText(line2Edit_->text()))};
}

}  // namespace jotanor
