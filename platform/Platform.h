// What the program takes from its desktop platform, as small interfaces:
// one Qt implementation (QtPlatform.cpp) and one scripted implementation
// for the tests.
#pragma once

#include <QSize>
#include <QString>
#include <optional>
#include <stdexcept>

#include "dates/Dates.h"
#include "store/FileIO.h"

class QCoreApplication;
class QLocale;

namespace jotanor {

enum class MsgKind { Confirmation, Information, Warning, Error };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

// The standard message box: captions "Confirm", "Information", "Warning"
// and "Error"; buttons "&Yes", "&No", "OK", "Cancel"; OK, or else Yes, is
// the default, and Escape gives Cancel, or else No.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgResult show(MsgKind kind, const QString& text, MsgButtons buttons) = 0;
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen file's full path, or nothing when cancelled.
    virtual std::optional<QString> openFile(const QString& title, const QString& defaultSuffix,
                                            const QString& proposedName, const QString& filter) = 0;
    virtual std::optional<QString> saveFile(const QString& proposedName) = 0;
};

class Screen {
public:
    virtual ~Screen() = default;
    virtual QSize size() const = 0;
};

class Sound {
public:
    virtual ~Sound() = default;
    // Starts a wave file and returns at once; false when it cannot be played.
    virtual bool playWave(const QString& file) = 0;
    virtual void beep() = 0;
};

class WaitCursor {
public:
    virtual ~WaitCursor() = default;
    virtual void begin() = 0;
    virtual void end() = 0;
};

class DateFormat {
public:
    virtual ~DateFormat() = default;
    // The date in the user's short date format.
    virtual QString shortDate(const Ymd& date) const = 0;
};

// A printer that cannot print: there is none, or it refused the document.
class PrinterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// There is no default printer.
class NoPrinterError : public PrinterError {
public:
    NoPrinterError() : PrinterError("Standaardprinter niet gevonden") {}
};

// One printed document: begin, fonts and texts at points, end. Coordinates
// are printer pixels from the top-left corner of the printable area.
class Printer {
public:
    virtual ~Printer() = default;
    // Starts a document on the default printer; NoPrinterError when there is none.
    virtual void beginDocument() = 0;
    // Starts a document written into the PDF file `file` instead, with the
    // same pages.
    virtual void beginPdfDocument(const QString& file) = 0;
    virtual void setFont(const QString& family, int points, bool bold, bool underline) = 0;
    // Height of the current font's characters in printer pixels.
    virtual int fontHeight() = 0;
    // Draws `text` with its top-left corner at (x, y).
    virtual void drawText(int x, int y, const QString& text) = 0;
    // Height of the printable area of a page in printer pixels.
    virtual int pageHeight() = 0;
    // Ends the page and goes on on a fresh one.
    virtual void newPage() = 0;
    virtual void endDocument() = 0;
    // Drops a document that was begun and is not to be finished.
    virtual void abortDocument() = 0;
};

// The system's password store (the Secret Service, the Credential
// Manager). Nothing of ours keeps a password in a file.
class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    enum class Status {
        Ok,
        NotKept,  // the store runs but holds no password under the key
        NoStore,  // no store runs on this system
        Failed,   // the store refused; `problem` says why
    };
    struct Answer {
        Status status = Status::Failed;
        QString password;
        QString problem;
    };
    virtual Answer read(const QString& key) = 0;
    virtual Answer write(const QString& key, const QString& password) = 0;
};

struct Platform {
    Clock* clock;
    MessageBoxes* boxes;
    FileDialogs* fileDialogs;
    Screen* screen;
    Sound* sound;
    WaitCursor* waitCursor;
    DateFormat* dateFormat;
    FileSystem* fileSystem;
    Printer* printer;
    PasswordStore* passwords;
};

// The real desktop.
Platform& qtPlatform();

// Where `language` is Dutch, the toolkit's own texts (its file dialog, the
// questions it asks itself) are Dutch too: its translations beside the
// program (Windows) or where the toolkit keeps them. The message boxes keep
// their own captions and buttons. False when none were found.
bool useToolkitTranslations(QCoreApplication& app, const QLocale& language);

// The system's password store: the Credential Manager on Windows, the
// Secret Service elsewhere.
PasswordStore& systemPasswords();

// The desktop's sound: Qt Multimedia, or on Windows the system's own player.
Sound& desktopSound();

// A side file the program reads (help text, sounds): the one in the working
// folder, else the one installed with the program (share/jotanor beside its
// bin folder), else the name as it is.
QString sideFile(const QString& name);

// Path conversions that keep characters outside ASCII on every system.
inline std::filesystem::path toPath(const QString& s) { return std::filesystem::path(s.toStdU16String()); }
inline QString fromPath(const std::filesystem::path& p) { return QString::fromStdU16String(p.u16string()); }

// Memo text (Windows-1252 bytes) to and from what the windows show.
QString fromMemoText(const std::string& bytes);
std::string toMemoText(const QString& text);

}  // namespace jotanor
