#include "output/RichText.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace jotanor {
namespace {

Qt::Alignment alignmentOf(RtfAlign a) {
    switch (a) {
    case RtfAlign::Center: return Qt::AlignHCenter;
    case RtfAlign::Right: return Qt::AlignRight;
    case RtfAlign::Justify: return Qt::AlignJustify;
    case RtfAlign::Left: break;
    }
    return Qt::AlignLeft;
}

QTextCharFormat charFormatOf(const RtfFormat& f) {
    QTextCharFormat c;
    c.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    c.setFontItalic(f.italic);
    c.setFontUnderline(f.underline);
    if (f.halfPoints > 0) c.setFontPointSize(f.halfPoints / 2.0);
    if (f.color) c.setForeground(QColor(f.color->red, f.color->green, f.color->blue));
    if (!f.font.empty()) c.setFontFamilies({QString::fromStdString(f.font)});
    return c;
}

}  // namespace

void fillDocument(QTextDocument& document, const RtfDocument& rtf) {
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool first = true;
    for (const RtfParagraph& p : rtf.paragraphs) {
        QTextBlockFormat block;
        block.setAlignment(alignmentOf(p.align));
        block.setLeftMargin(p.leftIndent / 15.0);  // twips to pixels at 96 dpi
        if (first) {
            cursor.setBlockFormat(block);
            first = false;
        } else {
            cursor.insertBlock(block, QTextCharFormat());
        }
        for (const RtfRun& run : p.runs) {
            QString text = QString::fromUtf8(run.text.data(), static_cast<qsizetype>(run.text.size()));
            text.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
            cursor.insertText(text, charFormatOf(run.format));
        }
    }
    cursor.endEditBlock();
}

}  // namespace jotanor
