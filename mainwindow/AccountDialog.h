// The dialog "Agenda-account": the calendar server's address, the user
// name and password, whether to sync at start and at close, and a button
// that tries the account and says in one sentence what happened. The
// trying runs off the window's thread; the caller gives what it does.
#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "diary/CalendarAccount.h"
#include "widgets/Dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace jotanor {

class AccountDialog : public Dialog {
    Q_OBJECT

public:
    // Tries an account with a password; gives the sentence to show. Runs on
    // a thread of its own.
    using Tryer = std::function<QString(const CalendarAccount&, const QString& password)>;

    AccountDialog(QWidget* parent, const DialogContext& context, Tryer tryer);
    ~AccountDialog() override;

    void setAccount(const CalendarAccount& account, const QString& password);
    // Said under the password: where it is kept.
    void setPasswordNote(const QString& note);
    CalendarAccount account() const;
    QString password() const;

protected:
    void FormActivate() override;

private:
    void tryAccount();

    Tryer tryer_;
    std::thread trying_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    QLineEdit* urlEdit_ = nullptr;
    QLineEdit* userEdit_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    QLabel* passwordNote_ = nullptr;
    QCheckBox* atStartBox_ = nullptr;
    QCheckBox* atCloseBox_ = nullptr;
    QPushButton* tryButton_ = nullptr;
    QLabel* outcome_ = nullptr;
};

}  // namespace jotanor
