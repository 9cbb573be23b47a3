// A platform for widget tests: a fixed clock and screen, message boxes and
// file dialogs that answer from a script and never block, sounds counted.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/Platform.h"

namespace jotanor::test {

struct PrintedText {
    int x;
    int y;
    QString text;
    QString font;  // "family points [bold] [underline]"
    int page;      // counted from 0
};

struct ShownBox {
    MsgKind kind;
    QString text;
    MsgButtons buttons;
};

class ScriptedPlatform : private Clock,
                         private MessageBoxes,
                         private FileDialogs,
                         private Screen,
                         private Sound,
                         private WaitCursor,
                         private DateFormat,
                         private Printer,
                         private PasswordStore {
public:
    ScriptedPlatform();
    Platform& platform() { return platform_; }

    Ymd todayDate{2026, 12, 6};
    QSize screenSize{1000, 800};

    // Answers for the next message boxes; with none left, the default
    // button is taken (OK, or else Yes).
    std::deque<MsgResult> answers;
    std::vector<ShownBox> shown;

    // Answers for the next file dialogs; nothing means Cancel.
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    std::vector<QString> openProposals;

    std::vector<QString> played;
    int beeps = 0;
    int waitDepth = 0;
    int waitCursors = 0;
    bool soundWorks = true;

    // The printer: a recorded page at `printerDpi`, or none at all, or,
    // with `pdfFile` set, the real painter writing that PDF file.
    bool hasPrinter = true;
    int printerDpi = 300;
    int printerPageHeight = 3200;
    QString pdfFile;
    // The files asked for by beginPdfDocument, which writes them for real.
    std::vector<QString> pdfDocuments;
    std::vector<PrintedText> printed;
    int documentsBegun = 0;
    int documentsEnded = 0;
    int documentsAborted = 0;

    // The password store: its entries, or none running at all.
    bool passwordStoreRuns = true;
    std::map<QString, QString> passwords;

private:
    Ymd today() const override { return todayDate; }
    MsgResult show(MsgKind kind, const QString& text, MsgButtons buttons) override;
    std::optional<QString> openFile(const QString& title, const QString& defaultSuffix,
                                    const QString& proposedName, const QString& filter) override;
    std::optional<QString> saveFile(const QString& proposedName) override;
    QSize size() const override { return screenSize; }
    bool playWave(const QString& file) override;
    void beep() override { ++beeps; }
    void begin() override {
        ++waitDepth;
        ++waitCursors;
    }
    void end() override { --waitDepth; }
    QString shortDate(const Ymd& d) const override;

    void beginDocument() override;
    void beginPdfDocument(const QString& file) override;
    void setFont(const QString& family, int points, bool bold, bool underline) override;
    int fontHeight() override;
    void drawText(int x, int y, const QString& text) override;
    int pageHeight() override;
    void newPage() override;
    void endDocument() override;
    void abortDocument() override;

    Answer read(const QString& key) override;
    Answer write(const QString& key, const QString& password) override;

    Platform platform_;
    std::unique_ptr<Printer> pdf_;
    QString font_;
    int points_ = 0;
    int page_ = 0;
};

}  // namespace jotanor::test
