// The printer through Qt's print support: the default printer, or a PDF
// file that stands in for it.
#pragma once

#include <QFont>
#include <QPainter>
#include <memory>

#include "platform/Platform.h"

class QPrinter;

namespace jotanor {

class PainterPrinter final : public Printer {
public:
    // With a file name, the document goes into that PDF file instead.
    explicit PainterPrinter(QString pdfFile = {});
    ~PainterPrinter() override;

    void beginDocument() override;
    void beginPdfDocument(const QString& file) override;
    void setFont(const QString& family, int points, bool bold, bool underline) override;
    int fontHeight() override;
    void drawText(int x, int y, const QString& text) override;
    int pageHeight() override;
    void newPage() override;
    void endDocument() override;
    void abortDocument() override;

private:
    // On the default printer, or into the PDF file `pdfFile` when one is named.
    void begin(const QString& pdfFile);

    QString pdfFile_;
    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    QFont font_;
};

}  // namespace jotanor
