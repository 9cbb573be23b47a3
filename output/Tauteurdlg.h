// The author window: a picture and two lines on green; a click closes it.
#pragma once

#include <QDialog>

class QLabel;

namespace jotanor {

class Tform1;

class Tauteurdlg : public QDialog {
    Q_OBJECT

public:
    explicit Tauteurdlg(Tform1& form);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace jotanor
