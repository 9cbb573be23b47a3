#include "output/Trtf_dlg.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QTextEdit>
#include <QVBoxLayout>
#include <vector>

#include "mainwindow/Tform1.h"
#include "mainwindow/WindowFrame.h"
#include "output/RichText.h"
#include "output/core/RtfReader.h"
#include "store/Errors.h"

namespace jotanor {
namespace {

// A help text larger than this is cut off; the reader copes with that.
constexpr std::uint64_t kMaxHelpBytes = 32u << 20;

}  // namespace

Trtf_dlg::Trtf_dlg(Tform1& form) : QDialog(&form), form_(form) {
    setObjectName("rtf_dlg");
    setWindowTitle("Toelichting");
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    Afsluiten1 = MainMenu1->addAction("Afsluiten");
    Afsluiten1->setObjectName("Afsluiten1");
    connect(Afsluiten1, &QAction::triggered, this, &QDialog::reject);
    layout->setMenuBar(MainMenu1);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setAcceptRichText(true);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font("Courier New");
    font.setPointSize(9);
    RichEdit1->setFont(font);
    RichEdit1->document()->setDefaultFont(font);
    RichEdit1->installEventFilter(this);
    layout->addWidget(RichEdit1);

    WindowFrame::of(*this).place(QRect(200, 21, 596, 878));
}

void Trtf_dlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void Trtf_dlg::FormActivate() {
    std::string bytes;
    try {
        auto file = form_.platform().fileSystem->open("memohelp.rtf", OpenMode::ReadOnly);
        bytes.resize(static_cast<std::size_t>(std::min(file->size(), kMaxHelpBytes)));
        if (!bytes.empty()) file->readAt(0, bytes.data(), bytes.size());
        file->close();
    } catch (const IoError& e) {
        if (e.code() != kFileNotFound) form_.showError(e);
        return;
    }
    fillDocument(*RichEdit1->document(), readRtf(bytes));
    RichEdit1->moveCursor(QTextCursor::Start);
}

bool Trtf_dlg::eventFilter(QObject* watched, QEvent* event) {
    // The window sees keys before its text: Escape closes it.
    if (watched == RichEdit1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace jotanor
