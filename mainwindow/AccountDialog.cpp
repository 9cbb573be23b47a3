#include "mainwindow/AccountDialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace jotanor {

AccountDialog::AccountDialog(QWidget* parent, const DialogContext& context, Tryer tryer)
    : Dialog(parent, context), tryer_(std::move(tryer)) {
    setObjectName("accountdlg");
    setWindowTitle("Agenda-account");
    setModal(true);
    setFont(QFont("Arial", 9));

    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    column->addLayout(form);
    auto edit = [&](const char* name, const QString& caption, const QString& accessible) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setAccessibleName(accessible);
        e->setMinimumWidth(320);
        auto* label = new QLabel(caption, this);
        label->setBuddy(e);
        form->addRow(label, e);
        return e;
    };
    urlEdit_ = edit("urlEdit", "&Serveradres:", "Serveradres");
    urlEdit_->setPlaceholderText("https://server/agenda/");
    userEdit_ = edit("userEdit", "&Gebruikersnaam:", "Gebruikersnaam");
    passwordEdit_ = edit("passwordEdit", "&Wachtwoord:", "Wachtwoord");
    passwordEdit_->setEchoMode(QLineEdit::Password);
    passwordNote_ = new QLabel(this);
    passwordNote_->setObjectName("passwordNote");
    passwordNote_->setWordWrap(true);
    form->addRow(passwordNote_);
    atStartBox_ = new QCheckBox("Synchroniseren bij het s&tarten", this);
    atStartBox_->setObjectName("atStartBox");
    atCloseBox_ = new QCheckBox("Synchroniseren bij het s&luiten", this);
    atCloseBox_->setObjectName("atCloseBox");
    column->addWidget(atStartBox_);
    column->addWidget(atCloseBox_);

    tryButton_ = new QPushButton("&Proberen", this);
    tryButton_->setObjectName("tryButton");
    tryButton_->setAutoDefault(false);
    column->addWidget(tryButton_, 0, Qt::AlignLeft);
    outcome_ = new QLabel(this);
    outcome_->setObjectName("outcome");
    outcome_->setAccessibleName("Uitkomst");
    outcome_->setWordWrap(true);
    outcome_->setMinimumWidth(400);
    outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    column->addWidget(outcome_);
    connect(tryButton_, &QPushButton::clicked, this, &AccountDialog::tryAccount);

    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    column->addLayout(okCancelRow(ok, cancel));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    fixSize();
}

AccountDialog::~AccountDialog() {
    *alive_ = false;
    if (trying_.joinable()) trying_.join();
}

void AccountDialog::setAccount(const CalendarAccount& a, const QString& password) {
    urlEdit_->setText(QString::fromStdString(a.url));
    userEdit_->setText(QString::fromStdString(a.user));
    passwordEdit_->setText(password);
    atStartBox_->setChecked(a.syncAtStart);
    atCloseBox_->setChecked(a.syncAtClose);
    showStatus(*outcome_, {});
}

void AccountDialog::setPasswordNote(const QString& note) {
    passwordNote_->setText(note);
    passwordNote_->setVisible(!note.isEmpty());
}

CalendarAccount AccountDialog::account() const {
    return {urlEdit_->text().trimmed().toStdString(), userEdit_->text().trimmed().toStdString(),
            atStartBox_->isChecked(), atCloseBox_->isChecked()};
}

QString AccountDialog::password() const { return passwordEdit_->text(); }

void AccountDialog::FormActivate() { urlEdit_->setFocus(); }

void AccountDialog::tryAccount() {
    if (trying_.joinable()) trying_.join();
    tryButton_->setEnabled(false);
    showStatus(*outcome_, "Bezig met proberen…");
    // The answer comes back only to a dialog that is still there.
    trying_ = std::thread([this, alive = alive_, tryer = tryer_, a = account(), p = password()] {
        const QString said = tryer(a, p);
        QMetaObject::invokeMethod(
            this,
            [this, alive, said] {
                if (!*alive) return;
                showStatus(*outcome_, said);
                tryButton_->setEnabled(true);
                tryButton_->setFocus();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace jotanor
