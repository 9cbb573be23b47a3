#include "platform/PainterPrinter.h"

#include <QFontMetrics>
#include <QPrinter>
#include <QPrinterInfo>

namespace jotanor {
namespace {

// The layout's measures are printer pixels; at this resolution the margins
// and the line spacing come out as designed, whatever the printer's own.
constexpr int kDotsPerInch = 300;

}  // namespace

PainterPrinter::PainterPrinter(QString pdfFile) : pdfFile_(std::move(pdfFile)) {}

PainterPrinter::~PainterPrinter() {
    if (painter_.isActive()) painter_.end();
}

void PainterPrinter::beginDocument() { begin(pdfFile_); }

void PainterPrinter::beginPdfDocument(const QString& file) { begin(file); }

void PainterPrinter::begin(const QString& pdfFile) {
    if (pdfFile.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) throw NoPrinterError();
        printer_ = std::make_unique<QPrinter>(info);
    } else {
        printer_ = std::make_unique<QPrinter>();
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(pdfFile);
    }
    printer_->setResolution(kDotsPerInch);
    printer_->setFullPage(false);
    printer_->setDocName("Jotanor");
    if (!painter_.begin(printer_.get())) {
        printer_.reset();
        throw PrinterError("Printer kon het document niet beginnen");
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

int PainterPrinter::pageHeight() { return printer_ ? printer_->height() : 0; }

void PainterPrinter::newPage() {
    if (printer_ && !printer_->newPage()) throw PrinterError("Printer kon geen nieuwe pagina beginnen");
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
