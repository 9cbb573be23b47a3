// The author window: a picture and two lines on green; a click closes it.
#pragma once

#include "widgets/Dialog.h"

namespace jotanor {

class Tauteurdlg : public Dialog {
    Q_OBJECT

public:
    Tauteurdlg(QWidget* parent, const DialogContext& context);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace jotanor
