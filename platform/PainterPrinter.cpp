#include "platform/PainterPrinter.h"

#include <QFontMetrics>
#include <QPrinter>
#include <QPrinterInfo>

namespace jotanor {

PainterPrinter::PainterPrinter(QString pdfFile) : pdfFile_(std::move(pdfFile)) {}

PainterPrinter::~PainterPrinter() {
    if (painter_.isActive()) painter_.end();
}

void PainterPrinter::beginDocument() {
    if (pdfFile_.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) throw PrinterError("No default printer is available");
        printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(pdfFile_);
    }
    printer_->setFullPage(false);
    printer_->setDocName("Jotanor");
    if (!painter_.begin(printer_.get())) {
        printer_.reset();
        throw PrinterError("The printer could not begin the document");
    }
}

void PainterPrinter::setFont(const QString& family, int points, bool bold, bool underline) {
    font_ = QFont(family);
    font_.setPointSize(points);
    font_.setBold(bold);
    font_.setUnderline(underline);
    if (painter_.isActive()) painter_.setFont(font_);
}

int PainterPrinter::fontHeight() {
    // The character height of a font given in points: points at the
    // printer's resolution, without the leading between lines.
    const int dpi = printer_ ? printer_->logicalDpiY() : 96;
    return qRound(font_.pointSizeF() * dpi / 72.0);
}

void PainterPrinter::drawText(int x, int y, const QString& text) {
    if (!painter_.isActive()) return;
    painter_.drawText(QPoint(x, y + painter_.fontMetrics().ascent()), text);
}

void PainterPrinter::endDocument() {
    if (painter_.isActive()) painter_.end();
    printer_.reset();
}

void PainterPrinter::abortDocument() {
    if (printer_) printer_->abort();
    if (painter_.isActive()) painter_.end();
    printer_.reset();
}

}  // namespace jotanor
