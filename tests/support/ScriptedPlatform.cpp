#include "support/ScriptedPlatform.h"

#include "platform/PainterPrinter.h"

namespace jotanor::test {

namespace {

std::optional<QString> next(std::deque<std::optional<QString>>& answers) {
    if (answers.empty() || !answers.front()) {
        if (!answers.empty()) answers.pop_front();
        return std::nullopt;
    }
    QString r = *answers.front();
    answers.pop_front();
    return r;
}

}  // namespace

ScriptedPlatform::ScriptedPlatform()
    : platform_{this, this, this, this, this, this, this, &nativeFileSystem(), this, this} {}

MsgResult ScriptedPlatform::show(MsgKind kind, const QString& text, MsgButtons buttons) {
    shown.push_back({kind, text, buttons});
    if (!answers.empty()) {
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
}

std::optional<QString> ScriptedPlatform::openFile(const QString& title, const QString&, const QString& proposedName,
                                                  const QString&) {
    openProposals.push_back(title + "|" + proposedName);
    return next(openAnswers);
}

std::optional<QString> ScriptedPlatform::saveFile(const QString& proposedName) {
    openProposals.push_back(proposedName);
    return next(saveAnswers);
}

bool ScriptedPlatform::playWave(const QString& file) {
    played.push_back(file);
    return soundWorks;
}

QString ScriptedPlatform::shortDate(const Ymd& d) const {
    return QString("%1-%2-%3").arg(d.day).arg(d.month).arg(d.year);
}

void ScriptedPlatform::beginDocument() {
    if (!hasPrinter) throw NoPrinterError();
    ++documentsBegun;
    page_ = 0;
    if (!pdfFile.isEmpty()) {
        pdf_ = std::make_unique<PainterPrinter>(pdfFile);
        pdf_->beginDocument();
    }
}

void ScriptedPlatform::beginPdfDocument(const QString& file) {
    ++documentsBegun;
    page_ = 0;
    pdfDocuments.push_back(file);
    pdf_ = std::make_unique<PainterPrinter>(file);
    pdf_->beginDocument();
}

void ScriptedPlatform::setFont(const QString& family, int points, bool bold, bool underline) {
    if (pdf_) pdf_->setFont(family, points, bold, underline);
    points_ = points;
    font_ = family + " " + QString::number(points) + (bold ? " bold" : "") + (underline ? " underline" : "");
}

int ScriptedPlatform::fontHeight() {
    if (pdf_) return pdf_->fontHeight();
    return (points_ * printerDpi + 36) / 72;
}

void ScriptedPlatform::drawText(int x, int y, const QString& text) {
    if (pdf_) pdf_->drawText(x, y, text);
    printed.push_back({x, y, text, font_, page_});
}

int ScriptedPlatform::pageHeight() { return pdf_ ? pdf_->pageHeight() : printerPageHeight; }

void ScriptedPlatform::newPage() {
    if (pdf_) pdf_->newPage();
    ++page_;
}

void ScriptedPlatform::endDocument() {
    if (pdf_) pdf_->endDocument();
    pdf_.reset();
    ++documentsEnded;
}

void ScriptedPlatform::abortDocument() {
    if (pdf_) pdf_->abortDocument();
    pdf_.reset();
    ++documentsAborted;
}

PasswordStore::Answer ScriptedPlatform::read(const QString& key) {
    if (!passwordStoreRuns) return {Status::NoStore, {}, "geen wachtwoordkluis"};
    const auto it = passwords.find(key);
    return it == passwords.end() ? Answer{Status::NotKept, {}, {}} : Answer{Status::Ok, it->second, {}};
}

PasswordStore::Answer ScriptedPlatform::write(const QString& key, const QString& password) {
    if (!passwordStoreRuns) return {Status::NoStore, {}, "geen wachtwoordkluis"};
    passwords[key] = password;
    return {Status::Ok, {}, {}};
}

}  // namespace jotanor::test
