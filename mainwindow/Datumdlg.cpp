#include "mainwindow/Datumdlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dates/Dates.h"
#include "mainwindow/DialogFrame.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

DatumSpin::DatumSpin(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) { setRange(minimum, maximum); }

void DatumSpin::setTypen(bool on) { lineEdit()->setReadOnly(!on); }

bool DatumSpin::typen() const { return !lineEdit()->isReadOnly(); }

Datumdlg::Datumdlg(Tform1& form, const QString& caption, int maxYear) : QDialog(&form), form_(form) {
    setWindowTitle(caption);
    setModal(true);

    auto* grid = new QGridLayout(this);
    auto addSpin = [&](int column, const char* name, const char* caption, int lo, int hi) {
        auto* spin = new DatumSpin(lo, hi, this);
        spin->setObjectName(name);
        spin->setFixedWidth(70);
        grid->addWidget(new QLabel(caption, this), 0, column);
        grid->addWidget(spin, 1, column);
        return spin;
    };
    SpinEdit1 = addSpin(0, "SpinEdit1", "dag", 1, 31);
    SpinEdit2 = addSpin(1, "SpinEdit2", "maand", 1, 12);
    SpinEdit3 = addSpin(2, "SpinEdit3", "jaar", 0, maxYear);
    Label4 = new QLabel(this);
    Label4->setObjectName("Label4");
    Label4->setMinimumWidth(90);
    grid->addWidget(Label4, 1, 3);

    auto addEdit = [&](int row, const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setMaxLength(static_cast<int>(MemoRecord::kMaxLine));
        // Room for a full line of 100 characters.
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 80);
        grid->addWidget(edit, row, 0, 1, 4);
        return edit;
    };
    Edit1 = addEdit(2, "Edit1");
    Edit2 = addEdit(3, "Edit2");

    grid->addLayout(okCancelRow(*this, OKBtn, CancelBtn), 4, 0, 1, 4);

    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { form_.guarded([this] { SpinEdit1Change(); }); });
    connect(SpinEdit2, &QSpinBox::valueChanged, this, [this] { form_.guarded([this] { SpinEdit2Change(); }); });
    connect(SpinEdit3, &QSpinBox::valueChanged, this, [this] { form_.guarded([this] { SpinEdit3Change(); }); });
    fixDialogSize(*this);
}

void Datumdlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(*this, form_.platform().screen->size());
    form_.guarded([this] { FormActivate(); });
}

void Datumdlg::zetDatum(int year, int month, int day) {
    const bool was = vullen_;
    vullen_ = true;
    SpinEdit1->setValue(day);
    SpinEdit2->setValue(month);
    SpinEdit3->setValue(year);
    vullen_ = was;
}

void Datumdlg::datumproc() {
    if (vullen_) return;
    const int d = SpinEdit1->value();
    const int m = SpinEdit2->value();
    const int y = SpinEdit3->value();
    if (!isValidDate(y, m, d)) {
        form_.platform().boxes->show(MsgKind::Warning, QString("datum %1/%2/%3 bestaat niet...").arg(d).arg(m).arg(y),
                                     MsgButtons::Ok);
        // Set all three at once: checking each step on the way could warn
        // about a mixed date the user never gave.
        const Ymd today = form_.today();
        zetDatum(today.year, today.month, today.day);
    }
    const DaySerial shown = encodeDate(SpinEdit3->value(), SpinEdit2->value(), SpinEdit1->value());
    Label4->setText(QString::fromStdString(dagnamen(dayOfWeek(shown))));
}

MemoRecord Datumdlg::memo() const {
    return MemoRecord{encodeDate(SpinEdit3->value(), SpinEdit2->value(), SpinEdit1->value()),
                      cutLine(toMemoText(Edit1->text())), cutLine(toMemoText(Edit2->text()))};
}

}  // namespace jotanor
