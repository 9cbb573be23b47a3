// The Qt implementation of the platform interfaces.
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTranslator>

#include "platform/PainterPrinter.h"
#include "platform/Platform.h"
#include "store/Win1252.h"

namespace jotanor {

QString fromMemoText(const std::string& bytes) { return QString::fromStdString(cp1252ToUtf8(bytes)); }

std::string toMemoText(const QString& text) { return utf8ToCp1252(text.toStdString()); }

namespace {

class QtClock final : public Clock {
public:
    Ymd today() const override {
        QDate d = QDate::currentDate();
        return Ymd{static_cast<std::uint16_t>(d.year()), static_cast<std::uint16_t>(d.month()),
                   static_cast<std::uint16_t>(d.day())};
    }
};

// Ctrl+C copies the box's caption, text and buttons, as the standard message
// box of the program's home platform does; Qt does that only on Windows.
class CopyableMessageBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (!e->matches(QKeySequence::Copy)) {
            QMessageBox::keyPressEvent(e);
            return;
        }
        const QString rule = QStringLiteral("---------------------------\n");
        QStringList captions;
        for (QAbstractButton* b : buttons()) captions << b->text().remove('&');
        QApplication::clipboard()->setText(rule + windowTitle() + '\n' + rule + text() + '\n' + rule +
                                           captions.join("   ") + '\n' + rule);
    }
};

class QtMessageBoxes final : public MessageBoxes {
public:
    MsgResult show(MsgKind kind, const QString& text, MsgButtons buttons) override {
        static const char* const kCaptions[] = {"Confirm", "Information", "Warning", "Error"};
        static const QMessageBox::Icon kIcons[] = {QMessageBox::Question, QMessageBox::Information,
                                                   QMessageBox::Warning, QMessageBox::Critical};
        const int k = static_cast<int>(kind);
        CopyableMessageBox box(kIcons[k], kCaptions[k], text, QMessageBox::NoButton, QApplication::activeWindow());
        QPushButton* first = nullptr;
        QPushButton* second = nullptr;
        switch (buttons) {
        case MsgButtons::Ok: first = box.addButton("OK", QMessageBox::AcceptRole); break;
        case MsgButtons::OkCancel:
            first = box.addButton("OK", QMessageBox::AcceptRole);
            second = box.addButton("Cancel", QMessageBox::RejectRole);
            break;
        case MsgButtons::YesNo:
            first = box.addButton("&Yes", QMessageBox::YesRole);
            second = box.addButton("&No", QMessageBox::NoRole);
            break;
        }
        box.setDefaultButton(first);
        box.setEscapeButton(second ? second : first);
        box.exec();
        const bool firstChosen = box.clickedButton() == first;
        switch (buttons) {
        case MsgButtons::Ok: return MsgResult::Ok;
        case MsgButtons::OkCancel: return firstChosen ? MsgResult::Ok : MsgResult::Cancel;
        case MsgButtons::YesNo: return firstChosen ? MsgResult::Yes : MsgResult::No;
        }
        return MsgResult::Cancel;
    }
};

// A full path as the system writes it (backslashes on Windows): it appears
// in the title and in messages.
QString nativeName(const QString& file) { return QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()); }

class QtFileDialogs final : public FileDialogs {
public:
    std::optional<QString> openFile(const QString& title, const QString& defaultSuffix,
                                    const QString& proposedName, const QString& filter) override {
        QFileDialog dialog(QApplication::activeWindow(), title);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        // A filter without a label in brackets reads as it is given.
        dialog.setNameFilter(filter);
        dialog.selectFile(proposedName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return nativeName(dialog.selectedFiles().first());
    }

    std::optional<QString> saveFile(const QString& proposedName) override {
        QFileDialog dialog(QApplication::activeWindow());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.selectFile(proposedName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return nativeName(dialog.selectedFiles().first());
    }
};

class QtScreen final : public Screen {
public:
    QSize size() const override {
        QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->size() : QSize(1024, 768);
    }
};

class QtWaitCursor final : public WaitCursor {
public:
    void begin() override { QApplication::setOverrideCursor(Qt::WaitCursor); }
    void end() override { QApplication::restoreOverrideCursor(); }
};

class QtDateFormat final : public DateFormat {
public:
    QString shortDate(const Ymd& d) const override {
        return QLocale::system().toString(QDate(d.year, d.month, d.day), QLocale::ShortFormat);
    }
};

}  // namespace

QString sideFile(const QString& name) {
    if (QFileInfo::exists(name)) return name;
    const QString installed = QCoreApplication::applicationDirPath() + "/../share/jotanor/" + name;
    return QFileInfo::exists(installed) ? nativeName(installed) : name;
}

bool useToolkitTranslations(QCoreApplication& app, const QLocale& language) {
    if (language.language() != QLocale::Dutch) return false;
    auto* translator = new QTranslator(&app);
    for (const QString& folder : {QCoreApplication::applicationDirPath() + "/translations",
                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
        if (translator->load(QLocale(QLocale::Dutch), "qtbase", "_", folder)) return app.installTranslator(translator);
    }
    delete translator;
    return false;
}

Platform& qtPlatform() {
    static QtClock clock;
    static QtMessageBoxes boxes;
    static QtFileDialogs fileDialogs;
    static QtScreen screen;
    static QtWaitCursor waitCursor;
    static QtDateFormat dateFormat;
    static PainterPrinter printer;
    static Platform platform{&clock, &boxes, &fileDialogs, &screen, &desktopSound(), &waitCursor, &dateFormat,
                             &nativeFileSystem(), &printer, &systemPasswords()};
    return platform;
}

}  // namespace jotanor
