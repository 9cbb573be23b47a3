#include "output/Trtf_dlg.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QTextEdit>
#include <QVBoxLayout>
#include <vector>

#include "widgets/WindowFrame.h"
#include "output/RichText.h"
#include "output/core/RtfReader.h"
#include "store/Errors.h"

namespace jotanor {
namespace {

// A help text larger than this is cut off; the reader copes with that.
constexpr std::uint64_t kMaxHelpBytes = 32u << 20;

}  // namespace

Trtf_dlg::Trtf_dlg(QWidget* parent, const DialogContext& context) : Dialog(parent, context, Placement::OwnPlace) {
    setObjectName("rtf_dlg");
    setWindowTitle("Toelichting");
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* menu = new QMenuBar(this);
    menu->setObjectName("MainMenu1");
    QAction* close = menu->addAction("Afsluiten");
    close->setObjectName("Afsluiten1");
    connect(close, &QAction::triggered, this, &QDialog::reject);
    layout->setMenuBar(menu);

    text_ = new QTextEdit(this);
    text_->setObjectName("RichEdit1");
    text_->setAcceptRichText(true);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setAccessibleName("Toelichting");
    QFont font("Courier New");
    font.setPointSize(9);
    text_->setFont(font);
    text_->document()->setDefaultFont(font);
    text_->installEventFilter(this);
    layout->addWidget(text_);

    WindowFrame::of(*this).place(QRect(200, 21, 596, 878));
}

void Trtf_dlg::FormActivate() {
    std::string bytes;
    try {
        auto file = context_.platform.fileSystem->open(toPath(sideFile("memohelp.rtf")), OpenMode::ReadOnly);
        bytes.resize(static_cast<std::size_t>(std::min(file->size(), kMaxHelpBytes)));
        if (!bytes.empty()) file->readAt(0, bytes.data(), bytes.size());
        file->close();
    } catch (const IoError& e) {
        if (e.code() != kFileNotFound) context_.errors.show(e);
        return;
    }
    fillDocument(*text_->document(), readRtf(bytes));
    text_->moveCursor(QTextCursor::Start);
}

bool Trtf_dlg::eventFilter(QObject* watched, QEvent* event) {
    // The window sees keys before its text: Escape closes it.
    if (watched == text_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace jotanor
